#include <gtest/gtest.h>

#include <set>

#include "RollGenerator.h"
#include "support/RollFixture.h"

using namespace testing_support;

namespace {

rollgen::RollShape ShapeOf(std::uint64_t seed, std::size_t size, std::int32_t rate = 300,
                           std::int32_t tempo = 80) {
    rollgen::RollShape shape;
    shape.seed = seed;
    shape.size = size;
    shape.sampleRate = rate;
    shape.tempo = tempo;
    return shape;
}

TEST(RollGenerator, SameShapeGivesTheSameBytes) {
    rollgen::GeneratedRoll a = rollgen::GenerateRoll(ShapeOf(7, 50000));
    rollgen::GeneratedRoll b = rollgen::GenerateRoll(ShapeOf(7, 50000));
    EXPECT_EQ(a.bar, b.bar);
    EXPECT_EQ(a.ann, b.ann);
    EXPECT_NE(rollgen::GenerateRoll(ShapeOf(8, 50000)).bar, a.bar);
    // A roll is the start of a longer one with the same seed.
    rollgen::GeneratedRoll longer = rollgen::GenerateRoll(ShapeOf(7, 80000));
    ASSERT_GE(longer.bar.size(), a.bar.size());
    EXPECT_TRUE(std::equal(a.bar.begin(), a.bar.end(), longer.bar.begin()));
}

TEST(RollGenerator, FillsTheSizeUpToTheLastWholeRecord) {
    for (std::size_t size : {0, 2, 3, 4, 100, 4096, 300000}) {
        rollgen::GeneratedRoll roll = rollgen::GenerateRoll(ShapeOf(1, size));
        EXPECT_LE(roll.bar.size(), size);
        // No record (delta, code and at most a short text) would have fitted the rest.
        EXPECT_GE(roll.bar.size() + 64, size) << size;
        if (size >= 3) {
            EXPECT_EQ(std::string(roll.bar.begin(), roll.bar.begin() + 3), "BAR");
        }
    }
}

// The parser decodes exactly the events that the generator counted, in order of time, and
// every hole it opens is closed before it opens again.
TEST(RollGenerator, ParserDecodesTheCountedEvents) {
    for (std::int32_t rate : {200, 300, 1200}) {
        rollgen::RollShape shape = ShapeOf(rate, 200000, rate, 70);
        rollgen::GeneratedRoll roll = rollgen::GenerateRoll(shape);
        CRollscribeDoc doc;
        doc.m_sampleRate = rate;
        doc.m_tempo = 70;
        ParseBytes(doc, roll.bar);
        ASSERT_EQ(static_cast<std::size_t>(doc.m_events.GetSize()), roll.events);
        std::size_t dropped = 0, texts = 0;
        std::int32_t last = 0;
        int openings[256] = {};
        for (const RollEvent& e : doc.m_events) {
            EXPECT_GE(e.time, last);
            last = e.time;
            if (e.note > 127) ++dropped;
            if (e.kind >= 240 && e.kind <= 244) ++texts;
            if (e.kind == 1) ++openings[e.note - 15];
            if (e.kind == 0) --openings[e.note - 15];
            if (e.kind <= 1) {
                ASSERT_TRUE(openings[e.note - 15] == 0 || openings[e.note - 15] == 1);
            }
        }
        EXPECT_EQ(dropped, roll.droppedEvents);
        EXPECT_EQ(texts, roll.textRecords);
        EXPECT_GT(dropped, 0u);
        EXPECT_GT(texts, 2u);
        // About two bytes an event, as in a real scan: a one-byte delta and the code.
        double perEvent = static_cast<double>(roll.bar.size()) / static_cast<double>(roll.events);
        EXPECT_GT(perEvent, 1.9) << rate;
        EXPECT_LT(perEvent, 3.0) << rate;
    }
}

TEST(RollGenerator, AnnotationFileCarriesTheScanFigures) {
    rollgen::RollShape shape = ShapeOf(3, 1000, 600, 95);
    CRollscribeDoc doc;
    ReadAnnotations(doc, rollgen::GenerateRoll(shape).ann);
    EXPECT_EQ(doc.m_sampleRate, 600);
    EXPECT_EQ(doc.m_tempo, 95);
    EXPECT_EQ(doc.m_annotations.GetCount(), 9u);

    std::string padded = rollgen::GenerateAnnotations(shape, 100000);
    EXPECT_GE(padded.size(), 100000u);
    CRollscribeDoc big;
    ReadAnnotations(big, padded);
    std::size_t lines = 0;
    for (std::size_t at = 0; (at = padded.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
    EXPECT_EQ(big.m_annotations.GetCount(), lines);  // every key distinct
    EXPECT_EQ(big.m_sampleRate, 600);
}

TEST(RollGenerator, BatchMixesArchiveSizesDeterministically) {
    std::set<std::int32_t> rates;
    for (std::size_t i = 0; i < 200; ++i) {
        rollgen::RollShape shape = rollgen::BatchRollShape(1, i);
        EXPECT_GE(shape.size, 10u * 1024);
        EXPECT_LE(shape.size, 64u * 1024);
        EXPECT_GE(shape.tempo, 60);
        EXPECT_LE(shape.tempo, 110);
        rates.insert(shape.sampleRate);
        EXPECT_EQ(rollgen::BatchRollShape(1, i).seed, shape.seed);
    }
    EXPECT_GE(rates.size(), 3u);
    EXPECT_NE(rollgen::BatchRollShape(1, 0).seed, rollgen::BatchRollShape(2, 0).seed);
}

}  // namespace
