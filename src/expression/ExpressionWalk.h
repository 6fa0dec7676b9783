#pragma once

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

}  // namespace rollscribe
