#pragma once

#include "protocol/protocol.h"
#include "support/lineliterals.h"
#include "support/testhome.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

// Records what the store tells its view and the operator.
struct RecordingView : IProtocolView {
    void LinesAdded() override { calls << QStringLiteral("LinesAdded"); }
    void LastLineChanged() override { calls << QStringLiteral("LastLineChanged"); }
    void ScrollToEnd() override { calls << QStringLiteral("ScrollToEnd"); }
    void Repaint() override { calls << QStringLiteral("Repaint"); }
    QStringList calls;
};

struct RecordingNotices : IProtocolNotices {
    void ReportWriteFailure(const QString& text) override { failures << text; }
    void ShowFolderError(const QString& text) override { folderErrors << text; }
    QStringList failures;
    QStringList folderErrors;
};

using ProtocolTest = ProgramFolderTest;

// What a whole rewrite of the list leaves on disk, built independently of
// the store's own joining.
QByteArray Joined(const QList<LineText>& lines);
