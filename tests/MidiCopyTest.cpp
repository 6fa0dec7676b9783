#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/CException.h"
#include "support/TestFiles.h"
#include "ui/MidiCopy.h"

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace testing_support;

namespace {

CString Path(const fs::path& p) {
    return CString(p.string());
}

class MidiCopy : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteFile(m_dir / "roll.bar", "roll bytes");
        WriteFile(m_dir / "roll.ann", "/title: Roll\n");
        WriteFile(m_dir / "roll_BAR_e.mid", "MThd midi bytes");
    }
    std::vector<CString> Protected() const {
        return {Path(m_dir / "roll.bar"), Path(m_dir / "roll.ann")};
    }
    void ExpectOriginalsIntact() {
        EXPECT_EQ(ReadFile(m_dir / "roll.bar"), BytesOf("roll bytes"));
        EXPECT_EQ(ReadFile(m_dir / "roll.ann"), BytesOf("/title: Roll\n"));
    }
    TempDir m_dir;
};

TEST_F(MidiCopy, WritesTheSameBytesWithTheUsersFileMode) {
    mode_t old = ::umask(027);
    CopyConvertedFile(Path(m_dir / "roll_BAR_e.mid"), Path(m_dir / "copy.mid"), Protected());
    ::umask(old);
    EXPECT_EQ(ReadFile(m_dir / "copy.mid"), BytesOf("MThd midi bytes"));
    struct stat st {};
    ASSERT_EQ(::stat((m_dir / "copy.mid").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(ListDir(m_dir.Path()),
              (std::vector<std::string>{"copy.mid", "roll.ann", "roll.bar", "roll_BAR_e.mid"}));
}

TEST_F(MidiCopy, ReplacesAnExistingTargetWhole) {
    WriteFile(m_dir / "old.mid", std::string(1000, 'x'));
    CopyConvertedFile(Path(m_dir / "roll_BAR_e.mid"), Path(m_dir / "old.mid"), Protected());
    EXPECT_EQ(ReadFile(m_dir / "old.mid"), BytesOf("MThd midi bytes"));
}

TEST_F(MidiCopy, CopyOntoItselfKeepsTheBytes) {
    CopyConvertedFile(Path(m_dir / "roll_BAR_e.mid"), Path(m_dir / "roll_BAR_e.mid"), Protected());
    EXPECT_EQ(ReadFile(m_dir / "roll_BAR_e.mid"), BytesOf("MThd midi bytes"));
}

TEST_F(MidiCopy, RefusesTheRollAndItsAnnotationFile) {
    fs::create_symlink(m_dir / "roll.bar", m_dir / "link.bar");
    fs::create_hard_link(m_dir / "roll.ann", m_dir / "hard.ann");
    const fs::path targets[] = {m_dir / "roll.bar", m_dir / "roll.ann", m_dir / "link.bar",
                                m_dir / "hard.ann", m_dir / "." / "roll.bar"};
    for (const fs::path& target : targets) {
        EXPECT_THROW(CopyConvertedFile(Path(m_dir / "roll_BAR_e.mid"), Path(target), Protected()),
                     CFileException)
            << target;
    }
    ExpectOriginalsIntact();
    EXPECT_TRUE(fs::is_symlink(m_dir / "link.bar"));
}

TEST_F(MidiCopy, RefusesAProtectedNameEvenWhenTheFileIsGone) {
    fs::remove(m_dir / "roll.ann");
    EXPECT_THROW(
        CopyConvertedFile(Path(m_dir / "roll_BAR_e.mid"), Path(m_dir / "roll.ann"), Protected()),
        CFileException);
    EXPECT_FALSE(fs::exists(m_dir / "roll.ann"));
}

TEST_F(MidiCopy, NeverWritesAnEmptyCopy) {
    WriteFile(m_dir / "roll_BAR_e.mid", "");
    WriteFile(m_dir / "keep.mid", "earlier content");
    try {
        CopyConvertedFile(Path(m_dir / "roll_BAR_e.mid"), Path(m_dir / "keep.mid"), Protected());
        FAIL() << "an empty source was copied";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.Path(), (m_dir / "roll_BAR_e.mid").string());
    }
    EXPECT_EQ(ReadFile(m_dir / "keep.mid"), BytesOf("earlier content"));
}

TEST_F(MidiCopy, MissingSourceLeavesTheTarget) {
    fs::remove(m_dir / "roll_BAR_e.mid");
    WriteFile(m_dir / "keep.mid", "earlier content");
    EXPECT_THROW(
        CopyConvertedFile(Path(m_dir / "roll_BAR_e.mid"), Path(m_dir / "keep.mid"), Protected()),
        CFileException);
    EXPECT_EQ(ReadFile(m_dir / "keep.mid"), BytesOf("earlier content"));
}

TEST_F(MidiCopy, UnwritableTargetNamesItAndLeavesNothing) {
    fs::create_directory(m_dir / "sub");
    fs::create_directory(m_dir / "sub" / "taken.mid");
    try {
        CopyConvertedFile(Path(m_dir / "roll_BAR_e.mid"), Path(m_dir / "sub" / "taken.mid"),
                          Protected());
        FAIL() << "a folder was replaced";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.Path(), (m_dir / "sub" / "taken.mid").string());
    }
    EXPECT_EQ(ListDir(m_dir / "sub"), std::vector<std::string>{"taken.mid"});
    EXPECT_TRUE(fs::is_directory(m_dir / "sub" / "taken.mid"));
}

}  // namespace
