#pragma once

#include <cstddef>
#include <memory>

class CRollscribeDoc;

namespace rollscribe {

struct RollProfile;
class ResultSink;
class FileSink;
class BothSinks;

// One pass over a roll's events that runs the emulation of the profile and hands what the
// expression file holds to the sink (ExpressionSinks.h), in file order: the MIDI file's ticks,
// the emulation's real time through the spool's tempo map, the control holes at a position
// acting before the notes there, the pedals written where their holes are.
void WalkExpression(const CRollscribeDoc& doc, const RollProfile& profile, ResultSink& sink);
void WalkExpression(const CRollscribeDoc& doc, const RollProfile& profile, FileSink& sink);
void WalkExpression(const CRollscribeDoc& doc, const RollProfile& profile, BothSinks& sink);

// The same walk, following the roll's events as the MIDI file's pass reads them, so that each
// is read while it is fresh in the cache and the shaped roll never lies in memory whole.
class ExpressionFollower {
  public:
    virtual ~ExpressionFollower() = default;
    // The walk takes the roll's events up to end. False when one lies before the one before it:
    // the walk then takes no more, and such a roll is walked whole (WalkExpression) into a
    // fresh sink.
    virtual bool Follow(std::size_t end) = 0;
    // The roll has ended (every event followed): the rest of the walk.
    virtual void Finish() = 0;
};
std::unique_ptr<ExpressionFollower> FollowExpression(const CRollscribeDoc& doc,
                                                     const RollProfile& profile, FileSink& sink);
std::unique_ptr<ExpressionFollower> FollowExpression(const CRollscribeDoc& doc,
                                                     const RollProfile& profile, BothSinks& sink);

}  // namespace rollscribe
