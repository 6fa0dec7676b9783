// The converter's WAV renderers shared by its worker threads.
#include <gtest/gtest.h>

#include <filesystem>

#include "audio/SynthSession.h"
#include "cli/RendererPool.h"
#include "platform/CException.h"
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
    fs::copy_file(kDefaultSoundFont, font);
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
    fs::copy_file(kDefaultSoundFont, font);
    try {
        pool.Take();
        ADD_FAILURE() << "loaded again";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.Path(), font.string());
    }
}

}  // namespace
