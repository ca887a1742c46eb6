#pragma once

#include <QLatin1String>
#include <QObject>
#include <QStringList>
#include <QTreeWidget>

#include <gtest/gtest.h>

// The child of that name and type; one that is missing fails the test.
template <typename T>
T* FindChild(const QObject& parent, const char* name) {
    T* child = parent.findChild<T*>(QLatin1String(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

// One column of a list, top to bottom.
inline QStringList ColumnTexts(const QTreeWidget* list, int column) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(column);
    return texts;
}
