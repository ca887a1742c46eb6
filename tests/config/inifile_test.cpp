#include "config/inifile.h"

#include "config/filesizelimit.h"
#include "support/testhome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// Everything in a folder, hidden files included.
QStringList folderEntries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

TEST(IniFile, ReadsValuesAsTheProfileFunctionsDo) {
    CIniFile ini;
    ini.Parse(
        "[Sec]\r\n"
        "plain=abc\r\n"
        "blanks=   abc  \t \r\n"
        "dq=\"abc\"\r\n"
        "sq='abc'\r\n"
        "mixed=\"abc'\r\n"
        "inner=a\"b\"c\r\n"
        "dqblanks=  \" abc \"  \r\n"
        "twice=\"\"abc\"\"\r\n"
        "single=\"\r\n"
        "empty=\r\n"
        "  spaced key  =  v  \r\n"
        "equals=a=b\r\n"
        "; comment=not a key\r\n"
        "nokey\r\n");
    const struct {
        const char* key;
        const char* value;
    } cases[] = {
        {"plain", "abc"},       {"blanks", "abc"},
        {"dq", "abc"},          {"sq", "abc"},
        {"mixed", "\"abc'"},    {"inner", "a\"b\"c"},
        {"dqblanks", " abc "},  {"twice", "\"abc\""},
        {"single", "\""},       {"empty", ""},
        {"spaced key", "v"},    {"equals", "a=b"},
        {"PLAIN", "abc"},       {"; comment", "<default>"},
        {"nokey", "<default>"}, {"missing", "<default>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.ReadString("sEC", c.key, "<default>"), QByteArray(c.value)) << c.key;
    EXPECT_EQ(ini.ReadString("Other", "plain", "d"), QByteArray("d"));
    EXPECT_TRUE(ini.ValueExists("SEC", "Empty"));
    EXPECT_FALSE(ini.ValueExists("SEC", "nokey"));
}

TEST(IniFile, ValuesAreCutAt2047Bytes) {
    CIniFile ini;
    const QByteArray longValue(3000, 'x');
    ini.WriteString("S", "k", longValue);
    EXPECT_EQ(ini.ReadString("S", "k", ""), longValue.left(2047));
    ini.WriteString("S", "k", '"' + longValue + '"');
    EXPECT_EQ(ini.ReadString("S", "k", ""), longValue.left(2047));
}

TEST(IniFile, IntegersAreDecimalOrHexAndNothingElse) {
    const struct {
        const char* text;
        bool valid;
        int value;
    } cases[] = {
        {"30", true, 30},
        {"+5", true, 5},
        {"-7", true, -7},
        {"0", true, 0},
        {"007", true, 7},
        {"0x1E", true, 30},
        {"0X1e", true, 30},
        {"0x0", true, 0},
        {"0xFFFFFFFF", true, -1},
        {"0x7FFFFFFF", true, 2147483647},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"0x100000000", false, 0},
        {"99999999999999999999", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {"+", false, 0},
        {"0x", false, 0},
        {"0x1G", false, 0},
        {"-0x1E", false, 0},
        {"12abc", false, 0},
        {"abc", false, 0},
        {"1.5", false, 0},
        {"- 5", false, 0},
        {"1 2", false, 0},
        {"$1E", false, 0},
    };
    for (const auto& c : cases) {
        int value = 12345;
        EXPECT_EQ(CIniFile::ParseInteger(c.text, &value), c.valid) << c.text;
        if (c.valid) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }

    CIniFile ini;
    ini.Parse("[N]\nhex= 0x1E \nquoted=\"12\"\nbad=12abc\nneg=-3\n");
    EXPECT_EQ(ini.ReadInteger("n", "hex", -1), 30);
    EXPECT_EQ(ini.ReadInteger("n", "quoted", -1), 12);
    EXPECT_EQ(ini.ReadInteger("n", "bad", -1), -1);
    EXPECT_EQ(ini.ReadInteger("n", "missing", 77), 77);
    EXPECT_EQ(ini.ReadInteger("n", "neg", 0), -3);
}

TEST(IniFile, BooleansAreIntegers) {
    CIniFile ini;
    ini.Parse("[B]\none=1\nzero=0\ntwo=2\nminus=-1\nhexzero=0x0\ntext=yes\n");
    EXPECT_TRUE(ini.ReadBool("B", "one", false));
    EXPECT_FALSE(ini.ReadBool("B", "zero", true));
    EXPECT_TRUE(ini.ReadBool("B", "two", false));
    EXPECT_TRUE(ini.ReadBool("B", "minus", false));
    EXPECT_FALSE(ini.ReadBool("B", "hexzero", true));
    EXPECT_TRUE(ini.ReadBool("B", "text", true));
    EXPECT_FALSE(ini.ReadBool("B", "text", false));
    EXPECT_TRUE(ini.ReadBool("B", "missing", true));

    ini.WriteBool("B", "one", false);
    ini.WriteBool("B", "zero", true);
    ini.WriteInteger("B", "two", -42);
    EXPECT_EQ(ini.Serialize(), QByteArray("[B]\none=0\nzero=1\ntwo=-42\nminus=-1\nhexzero=0x0\n"
                                          "text=yes\n"));
}

TEST(IniFile, KeepsEverythingItDoesNotChange) {
    const QByteArray original =
        "; written by hand\r\n"
        "stray line before any section\r\n"
        "\r\n"
        "[server]\r\n"
        "  Host = 10.0.0.1  \r\n"
        "Port=3333\r\n"
        "Unknown=keep me\r\n"
        "\r\n"
        "; the next section\r\n"
        "[Custom]\r\n"
        "garbage without equals\r\n"
        "x=1\r\n";
    CIniFile ini;
    ini.Parse(original);
    EXPECT_EQ(ini.Serialize(), original);

    ini.WriteInteger("SERVER", "port", 3333);  // same value: the line stays as it is
    ini.WriteString("SERVER", "host", "10.0.0.2");
    ini.WriteString("SERVER", "host2", "10.0.0.3");
    ini.WriteString("NEW", "a", "1");
    ini.WriteString("custom", "y", "2");
    ini.WriteString("NEW2", "b", "3");
    ini.WriteString("New", "c", "4");
    EXPECT_EQ(ini.Serialize(), QByteArray("; written by hand\r\n"
                                          "stray line before any section\r\n"
                                          "\r\n"
                                          "[server]\r\n"
                                          "Host=10.0.0.2\r\n"
                                          "Port=3333\r\n"
                                          "Unknown=keep me\r\n"
                                          "host2=10.0.0.3\r\n"
                                          "\r\n"
                                          "; the next section\r\n"
                                          "[Custom]\r\n"
                                          "garbage without equals\r\n"
                                          "x=1\r\n"
                                          "y=2\r\n"
                                          "[NEW]\r\n"
                                          "a=1\r\n"
                                          "c=4\r\n"
                                          "[NEW2]\r\n"
                                          "b=3\r\n"));
}

TEST(IniFile, FollowsTheLineEndsOfTheFile) {
    CIniFile lf;
    lf.Parse("[A]\nk=1\n[B]\nm=2");  // LF, and no line end after the last line
    EXPECT_EQ(lf.ReadInteger("B", "m", 0), 2);
    lf.WriteString("A", "n", "x");
    lf.WriteString("B", "o", "y");
    EXPECT_EQ(lf.Serialize(), QByteArray("[A]\nk=1\nn=x\n[B]\nm=2\no=y\n"));

    CIniFile mixed;  // each existing line keeps its own end
    mixed.Parse("[A]\r\nk=1\nz=2\r\n");
    mixed.WriteString("A", "k", "9");
    mixed.WriteString("A", "q", "8");
    EXPECT_EQ(mixed.Serialize(), QByteArray("[A]\r\nk=9\nz=2\r\nq=8\r\n"));

    CIniFile fresh;
    fresh.WriteString("S", "k", "v");
    EXPECT_EQ(fresh.Serialize(), QByteArray("[S]\r\nk=v\r\n"));
}

TEST(IniFile, FirstSectionAndKeyOfTheSameNameWin) {
    CIniFile ini;
    ini.Parse("[S]\nk=1\nK=2\n[s]\nk=3\nonly=4\n");
    EXPECT_EQ(ini.ReadInteger("S", "k", 0), 1);
    EXPECT_EQ(ini.ReadInteger("S", "only", 0), 0);
    ini.WriteInteger("S", "K", 5);
    EXPECT_EQ(ini.Serialize(), QByteArray("[S]\nk=5\nK=2\n[s]\nk=3\nonly=4\n"));
}

TEST(IniFile, AValueIsAlwaysOneLine) {
    CIniFile ini;
    ini.WriteString("VPN", "TimeTable", "08:00\r\n12:30\n18:00\r20:00");
    ini.WriteString("S", "nul", QByteArrayView("ab\0[X]", 6));
    ini.WriteString("S", "inject", "x\r\n[EVIL]\r\nk=1");
    EXPECT_EQ(ini.ReadString("VPN", "TimeTable", ""), QByteArray("08:00 12:30 18:00 20:00"));
    EXPECT_EQ(ini.ReadString("S", "nul", ""), QByteArray("ab"));
    EXPECT_FALSE(ini.SectionExists("EVIL"));
    EXPECT_EQ(ini.Serialize(), QByteArray("[VPN]\r\nTimeTable=08:00 12:30 18:00 20:00\r\n"
                                          "[S]\r\nnul=ab\r\ninject=x [EVIL] k=1\r\n"));
}

TEST(IniFile, ExactValuesComeBackAsGiven) {
    const struct {
        const char* value;
        const char* line;  // as written to the file
    } cases[] = {
        {"plain", "k=plain"},
        {"", "k="},
        {" lead", "k=\" lead\""},
        {"trail\t", "k=\"trail\t\""},
        {"\"q\"", "k=\"\"q\"\""},
        {"'q'", "k=\"'q'\""},
        {"\"", "k=\""},
        {"a\"b", "k=a\"b"},
        {"\"a,b\",\"c d\"", "k=\"\"a,b\",\"c d\"\""},
    };
    for (const auto& c : cases) {
        CIniFile ini;
        ini.WriteExactString("S", "k", c.value);
        EXPECT_EQ(ini.Serialize(), "[S]\r\n" + QByteArray(c.line) + "\r\n") << c.value;
        EXPECT_EQ(ini.ReadString("S", "k", "<default>"), QByteArray(c.value)) << c.value;
    }
}

TEST(IniFileSave, NewFileIsPrivateAndExistingFileKeepsItsMode) {
    TestHome home;
    const QString path = home.file("korvel.ini");
    const mode_t oldMask = ::umask(0);  // a permissive umask must not widen the new file
    CIniFile ini;
    ini.WriteString("VPN", "Password", "secret");
    const QString result = ini.Save(path);
    ::umask(oldMask);
    EXPECT_EQ(result, QString());
    EXPECT_EQ(FileMode(path), 0600);
    EXPECT_EQ(ReadFileOrMissing(path), QByteArray("[VPN]\r\nPassword=secret\r\n"));

    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    ini.WriteString("VPN", "Password", "other");
    EXPECT_EQ(ini.Save(path), QString());
    EXPECT_EQ(FileMode(path), 0640);
    EXPECT_EQ(ReadFileOrMissing(path), QByteArray("[VPN]\r\nPassword=other\r\n"));
    EXPECT_EQ(folderEntries(home.path()), QStringList{"korvel.ini"}) << "a temporary file is left";
}

TEST(IniFileSave, WritesThroughASymbolicLink) {
    TestHome home;
    home.write("real/korvel.ini", "[A]\nk=1\n");
    const QString link = home.file("korvel.ini");
    ASSERT_TRUE(QFile::link(home.file("real/korvel.ini"), link));
    CIniFile ini;
    ASSERT_EQ(ini.Load(link), CIniFile::LoadResult::Read);
    ini.WriteInteger("A", "k", 2);
    EXPECT_EQ(ini.Save(link), QString());
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadFileOrMissing(home.file("real/korvel.ini")), QByteArray("[A]\nk=2\n"));
}

TEST(IniFileSave, RefusedWritesLeaveTheOldFileAlone) {
    TestHome home;
    home.write("plainfile", "not a folder");
    home.write("folder.ini/inside", "x");
    // Permission bits do not stop root, so the refusals are provoked by the
    // shape of the path: a parent that is a file, a folder where the file is.
    const QString paths[] = {home.file("plainfile/korvel.ini"), home.file("folder.ini")};
    for (const QString& path : paths) {
        CIniFile ini;
        ini.WriteString("S", "k", "v");
        EXPECT_EQ(ini.Save(path), "Unable to write to " + path);
    }
    EXPECT_EQ(ReadFileOrMissing(home.file("plainfile")), QByteArray("not a folder"));
    EXPECT_EQ(folderEntries(home.file("folder.ini")), QStringList{"inside"});
    EXPECT_EQ(folderEntries(home.path()), (QStringList{"folder.ini", "plainfile"}));
}

TEST(IniFileSave, AFailedWriteMidwayLeavesTheOldFileAlone) {
    TestHome home;
    const QByteArray original = "[S]\r\nk=old\r\n";
    home.write("korvel.ini", original);
    const QString path = home.file("korvel.ini");

    // A file size limit makes the write fail part of the way through, as a
    // full disk would.
    CIniFile ini;
    ASSERT_EQ(ini.Load(path), CIniFile::LoadResult::Read);
    ini.WriteString("S", "k", QByteArray(4096, 'n'));
    QString result;
    {
        FileSizeLimit limit(100);
        ASSERT_TRUE(limit.active());
        result = ini.Save(path);
    }

    EXPECT_EQ(result, "Unable to write to " + path);
    EXPECT_EQ(ReadFileOrMissing(path), original);
    EXPECT_EQ(folderEntries(home.path()), QStringList{"korvel.ini"}) << "a temporary file is left";
}

TEST(IniFile, LoadTellsMissingFromUnreadable) {
    TestHome home;
    home.write("dir/x", "");
    home.write("file", "[A]\nk=1\n");
    CIniFile ini;
    EXPECT_EQ(ini.Load(home.file("missing.ini")), CIniFile::LoadResult::Missing);
    EXPECT_EQ(ini.Load(home.file("file/korvel.ini")), CIniFile::LoadResult::Missing);
    EXPECT_EQ(ini.Load(home.file("dir")), CIniFile::LoadResult::Unreadable);
    EXPECT_EQ(ini.Serialize(), QByteArray());
    EXPECT_EQ(ini.Load(home.file("file")), CIniFile::LoadResult::Read);
    EXPECT_EQ(ini.ReadInteger("A", "k", 0), 1);
    EXPECT_EQ(ini.Load(home.file("missing.ini")), CIniFile::LoadResult::Missing);
    EXPECT_FALSE(ini.SectionExists("A")) << "a failed load leaves an empty document";
}

}  // namespace
