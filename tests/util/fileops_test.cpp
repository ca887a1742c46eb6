#include "util/fileops.h"

#include "support/testhome.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

TEST(RenameNoReplace, MovesToAFreeName) {
    TestHome home;
    home.write("a", "first");
    EXPECT_TRUE(RenameNoReplace(home.file("a"), home.file("b")));
    EXPECT_EQ(ReadFileOrMissing(home.file("b")), QByteArray("first"));
    EXPECT_FALSE(QFile::exists(home.file("a")));
}

TEST(RenameNoReplace, NeverReplacesAnExistingFile) {
    TestHome home;
    home.write("a", "new");
    home.write("b", "stored telegram");
    EXPECT_FALSE(RenameNoReplace(home.file("a"), home.file("b")));
    EXPECT_EQ(ReadFileOrMissing(home.file("a")), QByteArray("new"));
    EXPECT_EQ(ReadFileOrMissing(home.file("b")), QByteArray("stored telegram"));
    EXPECT_FALSE(RenameNoReplace(home.file("missing"), home.file("c")));
}

TEST(ArchiveMark, IsTheOwnerExecuteBit) {
    TestHome home;
    home.write("t", "x");
    const QString path = home.file("t");
    EXPECT_TRUE(SetArchiveMark(path, true));
    EXPECT_TRUE(HasArchiveMark(path));
    EXPECT_TRUE(QFile::permissions(path) & QFile::ExeOwner);
    EXPECT_TRUE(SetArchiveMark(path, false));
    EXPECT_FALSE(HasArchiveMark(path));
    EXPECT_TRUE(QFile::permissions(path) & QFile::ReadOwner) << "other bits are kept";
    EXPECT_FALSE(SetArchiveMark(home.file("missing"), true));
    EXPECT_FALSE(HasArchiveMark(home.file("missing")));
}

}  // namespace
