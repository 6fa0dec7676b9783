// The converter's WAV renderers shared by its worker threads.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "audio/SynthSession.h"
#include "cli/RendererPool.h"
#include "platform/CException.h"
#include "support/HandRoll.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace testing_support;

namespace {

// A renderer given back serves the next file without loading the sound font again; one in use
// is never handed out twice.
TEST(RendererPool, ARendererGivenBackIsUsedAgainAndOneInUseIsNot) {
    TempDir dir;
    const fs::path font = dir / "font.sf2";
    fs::copy_file(TEST_SOUND_FONT, font);
    RendererPool pool(font.string());
    {
        RendererPool::Lease first = pool.Take();
        RendererPool::Lease second = pool.Take();  // a second thread: another renderer
    }
    fs::remove(font);  // from now on a new renderer cannot be made
    {
        RendererPool::Lease first = pool.Take();
        RendererPool::Lease second = pool.Take();
        EXPECT_THROW(pool.Take(), CFileException) << "a renderer in use was handed out again";
    }
    for (int i = 0; i < 3; ++i) RendererPool::Lease again = pool.Take();
    EXPECT_EQ(pool.PartInProgress(), 0.0);
}

// A sound font that cannot be loaded is tried once: every later call says the same at once.
TEST(RendererPool, ASoundFontThatCannotBeLoadedIsNotTriedAgain) {
    TempDir dir;
    const fs::path font = dir / "font.sf2";
    RendererPool pool(font.string());
    EXPECT_THROW(pool.Take(), CFileException);
    fs::copy_file(TEST_SOUND_FONT, font);
    try {
        pool.Take();
        ADD_FAILURE() << "loaded again";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.Path(), font.string());
    }
}

// When the address space has no room for another copy of the sound font, the threads that
// render at once share the renderers there are, waiting for one to be given back: none fails.
TEST(RendererPool, WithoutRoomForAnotherRendererThreadsWaitForOne) {
    TempDir dir;
    HandRoll roll("Generic", 100);
    roll.Hole(60, 0, 4000);
    roll.Doc().m_strDirectory = CString(dir.Path().string() + "/");
    roll.Doc().m_strFileTitle = "roll";
    roll.Doc().WriteMidiFile();
    const fs::path font = dir / "font.sf2";
    fs::copy_file(TEST_SOUND_FONT, font);
    const std::uintmax_t fontSize = fs::file_size(font);
    for (int renderers : {1, 2}) {
        int allowed = renderers - 1;  // the first needs no room beyond its own
        RendererPool pool(font.string(), [&](std::uint64_t bytes) {
            EXPECT_GT(bytes, fontSize);
            return allowed-- > 0;
        });
        pool.LoadFirst();
        std::vector<std::thread> threads;
        std::vector<std::string> failures(4);
        for (std::size_t t = 0; t < failures.size(); ++t) {
            threads.emplace_back([&, t] {
                try {
                    const std::string wav = (dir / ("t" + std::to_string(t) + ".wav")).string();
                    for (int i = 0; i < 3; ++i)
                        pool.Take().Render(CString((dir / "roll_BAR_e.mid").string()),
                                           CString(wav));
                } catch (const std::exception& e) {
                    failures[t] = e.what();
                }
            });
        }
        for (auto& thread : threads) thread.join();
        EXPECT_EQ(failures, std::vector<std::string>(4)) << renderers;
        // There are as many renderers as the room allowed: with the font gone and room again,
        // one more cannot be made.
        allowed = 1000;
        fs::remove(font);
        std::vector<RendererPool::Lease> held;
        for (int i = 0; i < renderers; ++i) held.push_back(pool.Take());
        EXPECT_THROW(pool.Take(), CFileException) << renderers;
        fs::copy_file(TEST_SOUND_FONT, font);
    }
}

}  // namespace
