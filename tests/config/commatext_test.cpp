#include "config/commatext.h"

#include "support/testhome.h"
#include "util/linecode.h"

#include <gtest/gtest.h>

namespace {

TEST(CommaText, WritesItemsQuotedWhereNeeded) {
    const struct {
        QStringList items;
        QString text;
    } cases[] = {
        {{}, ""},
        {{""}, "\"\""},
        {{"a"}, "a"},
        {{"a", "b"}, "a,b"},
        {{"a b"}, "\"a b\""},
        {{"a,b"}, "\"a,b\""},
        {{"a\"b"}, "\"a\"\"b\""},
        {{"\tx"}, "\"\tx\""},
        {{"a", ""}, "a,"},
        {{"", "a"}, ",a"},
        {{"", ""}, ","},
        {{"'q'"}, "'q'"},
        {{"Иванов", "Петр Петров"}, "Иванов,\"Петр Петров\""},
        {{"А Б", "В", "Г Д"}, "\"А Б\",В,\"Г Д\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ListToCommaText(c.items), c.text);
        EXPECT_EQ(CommaTextToList(c.text), c.items) << c.text.toStdString();
    }
}

TEST(CommaText, ReadsHandWrittenLists) {
    const struct {
        QString text;
        QStringList items;
    } cases[] = {
        {"   ", {}},
        {"a, b", {"a", "b"}},
        {"  a  ,  b  ", {"a", "b"}},
        {"a b", {"a", "b"}},  // blanks outside quotes separate items
        {"a, ", {"a"}},       // only a comma at the very end adds an item
        {"a,,b", {"a", "", "b"}},
        {" ,a", {"", "a"}},
        {"\"a\"\"b\",c", {"a\"b", "c"}},
        {"\"a b", {"a b"}},  // an unclosed quote runs to the end
        {"\"a\"b", {"a", "b"}},
        {"\"\",\"\"", {"", ""}},
        {"a\r\nb", {"a", "b"}},
        {QString::fromLatin1("a\0b", 3), {"a"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommaTextToList(c.text), c.items) << c.text.toStdString();
}

TEST(CommaText, ByteListsKeepLineCode) {
    const QList<QByteArray> items = {LineLiteral(u"ПМ"), LineLiteral(u"С М"), "#123"};
    const QByteArray text = ListToCommaText(items);
    EXPECT_EQ(text, LineLiteral(u"ПМ,\"С М\",#123"));
    EXPECT_EQ(CommaTextToList(text), items);
}

}  // namespace
