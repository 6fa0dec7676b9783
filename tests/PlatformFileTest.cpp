#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "platform/CArchive.h"
#include "platform/CAtomicFile.h"
#include "platform/CFile.h"
#include "platform/FileFaults.h"
#include "support/FileFaultPlan.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace testing_support;

namespace {

TEST(CFile, ReportsFullPathAndNameOfWhatWasOpened) {
    TempDir dir;
    WriteFile(dir / "nocturne.op9.bar", "abc");
    CFile file;
    CString path((dir.Path() / "sub" / ".." / "nocturne.op9.bar").string());
    fs::create_directory(dir / "sub");
    ASSERT_TRUE(file.Open(path, CFile::modeRead));
    EXPECT_EQ(file.GetFilePath(), CString((dir / "nocturne.op9.bar").string()));
    EXPECT_EQ(file.GetFileName(), "nocturne.op9.bar");
    EXPECT_EQ(file.GetLength(), 3u);
}

TEST(CFile, RelativePathsBecomeAbsolute) {
    TempDir dir;
    WriteFile(dir / "r.bar", "abc");
    fs::path old = fs::current_path();
    fs::current_path(dir.Path());
    CFile file;
    bool opened = file.Open("r.bar", CFile::modeRead);
    fs::current_path(old);
    ASSERT_TRUE(opened);
    EXPECT_EQ(file.GetFilePath(), CString((dir / "r.bar").string()));
}

// A ".." after a symbolic link leads to the parent of the link's target, as the system takes it:
// the file opened and the path reported are the one the user named, not the one beside the link.
TEST(CFile, DotDotAfterASymbolicLinkLeadsWhereTheSystemGoes) {
    TempDir dir;
    fs::create_directories(dir / "x");
    fs::create_directories(dir / "y" / "sub");
    fs::create_directory_symlink(dir / "y" / "sub", dir / "x" / "link");
    WriteFile(dir / "x" / "r.bar", "beside the link");
    WriteFile(dir / "y" / "r.bar", "named");
    CFile file;
    ASSERT_TRUE(
        file.Open(CString((dir / "x" / "link" / ".." / "r.bar").string()), CFile::modeRead));
    EXPECT_EQ(file.GetFilePath(), CString((dir / "y" / "r.bar").string()));
    char text[16] = {};
    EXPECT_EQ(file.Read(text, sizeof text), 5u);
    EXPECT_STREQ(text, "named");
}

// A name with a trailing separator names a directory; a file of that name is not opened.
TEST(CFile, TrailingSeparatorDoesNotOpenAFile) {
    TempDir dir;
    WriteFile(dir / "r.bar", "abc");
    CFile file;
    EXPECT_FALSE(file.Open(CString((dir / "r.bar").string() + "/"), CFile::modeRead));
}

struct OpenFailure {
    const char* what;
    std::function<fs::path(const TempDir&)> make;
    const char* reason;
};

TEST(CFile, OpenFailuresNameThePathAndTheReason) {
    const OpenFailure cases[] = {
        {"missing", [](const TempDir& d) { return d / "none.bar"; }, "No such file or directory"},
        {"directory",
         [](const TempDir& d) {
             fs::create_directory(d / "dir.bar");
             return d / "dir.bar";
         },
         "Is a directory"},
        {"pipe",
         [](const TempDir& d) {
             ::mkfifo((d / "pipe.bar").c_str(), 0600);
             return d / "pipe.bar";
         },
         "not a regular file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        fs::path path = c.make(dir);
        CFile file;
        CFileException error("", "", CFileException::none);
        EXPECT_FALSE(file.Open(CString(path.string()), CFile::modeRead, &error));
        EXPECT_EQ(error.Path(), path.string());
        EXPECT_NE(error.Reason().find(c.reason), std::string::npos) << error.Reason();
        EXPECT_THROW(file.OpenOrThrow(CString(path.string())), CFileException);
    }
}

TEST(CFile, ReadWholeFileAndReadFileStartGetEveryByteWhateverEachReadGives) {
    TempDir dir;
    Bytes large(200003);
    for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 7);
    WriteFile(dir / "large", large);
    WriteFile(dir / "short", Hex("52 49 46"));
    WriteFile(dir / "empty", Bytes{});
    for (std::size_t cap : {std::size_t{0}, std::size_t{5}}) {  // 0: no cap on a read
        SCOPED_TRACE(cap);
        FileFaultPlan plan({{FileOperation::read, "", 0, 0, cap}});
        EXPECT_EQ(ReadWholeFile(CString((dir / "large").string())), large);
        EXPECT_EQ(ReadWholeFile(CString((dir / "short").string())), Hex("52 49 46"));
        EXPECT_EQ(ReadWholeFile(CString((dir / "empty").string())), Bytes{});
        EXPECT_EQ(ReadFileStart(CString((dir / "large").string()), 12),
                  Bytes(large.begin(), large.begin() + 12));
        EXPECT_EQ(ReadFileStart(CString((dir / "large").string()), 100000),
                  Bytes(large.begin(), large.begin() + 100000));
        EXPECT_EQ(ReadFileStart(CString((dir / "short").string()), 12), Hex("52 49 46"));
        EXPECT_EQ(ReadFileStart(CString((dir / "empty").string()), 12), Bytes{});
    }
    // A file that grows while it is read is read to its new end.
    bool grown = false;
    FileFaultPlan plan({{FileOperation::read, "short", 0, 0, 0, [&] {
                             if (!grown) WriteFile(dir / "short", Hex("52 49 46 46 00"));
                             grown = true;
                         }}});
    EXPECT_EQ(ReadWholeFile(CString((dir / "short").string())), Hex("52 49 46 46 00"));
}

TEST(CFile, ReadWholeFileErrorsNameTheFile) {
    TempDir dir;
    WriteFile(dir / "a", "abc");
    const std::string missing = (dir / "missing").string();
    const std::string failing = (dir / "a").string();
    FileFaultPlan plan({{FileOperation::read, "/a", EIO}});
    for (const std::string& path : {missing, failing}) {
        try {
            ReadWholeFile(CString(path));
            ADD_FAILURE() << "no error for " << path;
        } catch (const CFileException& e) {
            EXPECT_EQ(e.Path(), path);
        }
        EXPECT_THROW(ReadFileStart(CString(path), 12), CFileException);
    }
}

TEST(CArchive, ByteExtractionThrowsAtEndReadReturnsZero) {
    TempDir dir;
    WriteFile(dir / "a", Hex("01 02"));
    CFile file;
    ASSERT_TRUE(file.Open(CString((dir / "a").string()), CFile::modeRead));
    CArchive ar(&file, CArchive::load, 16);
    std::uint8_t b = 0;
    ar >> b;
    EXPECT_EQ(b, 1);
    EXPECT_EQ(ar.Read(&b, 1), 1u);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(ar.Read(&b, 1), 0u);
    EXPECT_EQ(b, 2);  // unchanged at the end
    EXPECT_THROW(ar >> b, CArchiveException);
}

TEST(CArchive, ReadsAcrossManyBufferRefills) {
    TempDir dir;
    Bytes data(100003);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
    WriteFile(dir / "a", data);
    CFile file;
    ASSERT_TRUE(file.Open(CString((dir / "a").string()), CFile::modeRead));
    CArchive ar(&file, CArchive::load, 17);
    Bytes got;
    std::uint8_t b;
    ar >> b;
    got.push_back(b);
    std::uint8_t block[5];
    got.insert(got.end(), block, block + ar.Read(block, 5));
    while (ar.Read(&b, 1) == 1) got.push_back(b);
    EXPECT_EQ(got, data);
}

// A new file has the user's permissions (0666 less the umask); a replaced one keeps its own.
TEST(CAtomicFile, CommitKeepsAReplacedFilesPermissionsAndLeavesNoTemporary) {
    struct Case {
        int oldMode;  // -1: no file there before
        mode_t umask;
        fs::perms expected;
    } cases[] = {
        {-1, 022, fs::perms(0644)},   {-1, 002, fs::perms(0664)},   {-1, 077, fs::perms(0600)},
        {0600, 022, fs::perms(0600)}, {0640, 002, fs::perms(0640)}, {0666, 077, fs::perms(0666)},
        {0604, 022, fs::perms(0604)},
    };
    for (const Case& c : cases) {
        TempDir dir;
        fs::path target = dir / "out.mid";
        if (c.oldMode >= 0) {
            WriteFile(target, "old contents");
            ::chmod(target.c_str(), static_cast<mode_t>(c.oldMode));
        }
        mode_t old = ::umask(c.umask);
        CAtomicFile file;
        file.Create(CString(target.string()));
        ::umask(old);
        file.Write("new", 3);
        if (c.oldMode >= 0) {
            EXPECT_EQ(ReadFile(target), BytesOf("old contents"));  // untouched until committed
        }
        file.Commit();
        EXPECT_EQ(ReadFile(target), BytesOf("new"));
        EXPECT_EQ(fs::status(target).permissions(), c.expected) << c.oldMode << " " << c.umask;
        EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{"out.mid"});
    }
}

// A replaced file keeps a group other than the user's where the user may give it: any group for
// root, else the user's other groups (where the user has none, there is nothing to check).
TEST(CAtomicFile, CommitKeepsAReplacedFilesGroupWhereTheUserMayGiveIt) {
    std::vector<gid_t> groups;
    if (::geteuid() == 0) {
        groups = {1, 65534};
    } else {
        groups.resize(static_cast<size_t>(::getgroups(0, nullptr)));
        groups.resize(
            static_cast<size_t>(::getgroups(static_cast<int>(groups.size()), groups.data())));
    }
    for (gid_t group : groups) {
        if (group == ::getegid()) continue;
        TempDir dir;
        fs::path target = dir / "out.mid";
        WriteFile(target, "old contents");
        ASSERT_EQ(::chown(target.c_str(), static_cast<uid_t>(-1), group), 0) << group;
        CAtomicFile file;
        file.Create(CString(target.string()));
        file.Write("new", 3);
        file.Commit();
        struct stat st {};
        ASSERT_EQ(::stat(target.c_str(), &st), 0);
        EXPECT_EQ(st.st_gid, group);
        EXPECT_EQ(ReadFile(target), BytesOf("new"));
    }
}

// Root may write any file, so the user's right to write the old file is refused through the
// fault layer here; ConverterCliTest checks it as an unprivileged user where it can.
TEST(CAtomicFile, FileTheUserMayNotWriteIsNotReplaced) {
    TempDir dir;
    fs::path target = dir / "out.mid";
    WriteFile(target, "old contents");
    ::chmod(target.c_str(), 0400);
    FileFaultPlan plan({{FileOperation::replace, "out.mid", EACCES}});
    CAtomicFile file;
    try {
        file.Create(CString(target.string()));
        FAIL() << "replaced a file the user may not write";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.Path(), target.string());
        EXPECT_EQ(e.Reason(), "cannot replace a file you may not write: Permission denied");
    }
    EXPECT_EQ(ReadFile(target), BytesOf("old contents"));
    EXPECT_EQ(fs::status(target).permissions(), fs::perms(0400));
    EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{"out.mid"});
    EXPECT_EQ(plan.Failures(0), 1);
}

// With the flush to the disk on, a failing flush is an error like a failing write, and the old
// file stays; without it no flush is tried.
TEST(CAtomicFile, FlushToDiskWhenAskedAndItsFailureKeepsTheOldFile) {
    for (bool flush : {false, true}) {
        TempDir dir;
        fs::path target = dir / "out.mid";
        WriteFile(target, "old");
        CAtomicFile::SetFlushToDisk(flush);
        {
            FileFaultPlan plan({{FileOperation::sync, "out.mid", EIO}});
            CAtomicFile file;
            file.Create(CString(target.string()));
            file.Write("new", 3);
            if (flush) {
                EXPECT_THROW(file.Commit(), CFileException);
            } else {
                file.Commit();
            }
            EXPECT_EQ(plan.Failures(0), flush ? 1 : 0);
        }
        {
            FileFaultPlan plan({{FileOperation::sync, "", 0}});
            CAtomicFile file;
            file.Create(CString((dir / "other.mid").string()));
            file.Write("x", 1);
            file.Commit();  // the file and then its folder
        }
        CAtomicFile::SetFlushToDisk(false);
        EXPECT_EQ(ReadFile(target), BytesOf(flush ? "old" : "new"));
        EXPECT_EQ(ListDir(dir.Path()), (std::vector<std::string>{"other.mid", "out.mid"}));
    }
}

TEST(CAtomicFile, DiscardedFileLeavesTargetAndFolderAsTheyWere) {
    TempDir dir;
    fs::path target = dir / "out.mid";
    WriteFile(target, "old");
    {
        CAtomicFile file;
        file.Create(CString(target.string()));
        std::string big(300000, 'x');
        file.Write(big.data(), big.size());
    }  // not committed
    EXPECT_EQ(ReadFile(target), BytesOf("old"));
    EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{"out.mid"});
}

TEST(CAtomicFile, LargeAndSmallWritesKeepTheirOrder) {
    TempDir dir;
    fs::path target = dir / "out";
    CAtomicFile file;
    file.Create(CString(target.string()));
    std::string expected;
    for (int i = 0; i < 50; ++i) {
        std::string piece(static_cast<std::size_t>((i * 7919) % 100000),
                          static_cast<char>('a' + i % 26));
        file.Write(piece.data(), piece.size());
        expected += piece;
    }
    file.Commit();
    EXPECT_EQ(ReadFile(target), BytesOf(expected));
}

TEST(CAtomicFile, WriteAtOverwritesEarlierBytesAndLaterWritesStillAppend) {
    TempDir dir;
    fs::path target = dir / "out";
    CAtomicFile file;
    file.Create(CString(target.string()));
    file.Write("HEAD-body", 9);  // still in the buffer: written out first
    file.WriteAt(0, "head", 4);
    file.Write("-tail", 5);
    std::string big(200000, 'b');  // past the buffer, so that the appends reach the file
    file.Write(big.data(), big.size());
    file.WriteAt(5, "BODY", 4);
    file.Write("!", 1);
    file.Commit();
    EXPECT_EQ(ReadFile(target), BytesOf("head-BODY-tail" + big + "!"));
}

TEST(CAtomicFile, SymbolicLinkAtTargetIsReplacedAndItsTargetUntouched) {
    TempDir dir;
    WriteFile(dir / "real.mid", "keep");
    fs::create_symlink(dir / "real.mid", dir / "out.mid");
    CAtomicFile file;
    file.Create(CString((dir / "out.mid").string()));
    file.Write("x", 1);
    file.Commit();
    EXPECT_FALSE(fs::is_symlink(dir / "out.mid"));
    EXPECT_EQ(ReadFile(dir / "out.mid"), BytesOf("x"));
    EXPECT_EQ(ReadFile(dir / "real.mid"), BytesOf("keep"));
}

TEST(CAtomicFile, FailuresNameTheTargetAndLeaveNothingBehind) {
    TempDir dir;
    // Folder missing: creating fails.
    CAtomicFile missing;
    try {
        missing.Create(CString((dir / "no" / "out.mid").string()));
        FAIL() << "created in a missing folder";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.Path(), (dir / "no" / "out.mid").string());
        EXPECT_NE(e.Reason().find("No such file or directory"), std::string::npos);
    }
    // Target is a folder: replacing fails, the folder and its contents stay.
    fs::create_directory(dir / "out.mid");
    WriteFile(dir / "out.mid" / "inside", "x");
    CAtomicFile file;
    file.Create(CString((dir / "out.mid").string()));
    file.Write("abc", 3);
    EXPECT_THROW(file.Commit(), CFileException);
    EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{"out.mid"});
    EXPECT_EQ(ReadFile(dir / "out.mid" / "inside"), BytesOf("x"));
}

}  // namespace
