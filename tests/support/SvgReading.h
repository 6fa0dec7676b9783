#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// What an SVG file draws, read by an XML parser (tests/e2e/read_outputs.py): a line for each
// rect, polygon and text in document order, with its fill as inherited from its groups, e.g.
// "rect 68.00 50.00 10.00 1.00 #C9C2B2 1.00". Fails the test when the file is not well-formed
// XML (and then returns no line).
std::vector<std::string> SvgShapes(const std::filesystem::path& svg);

// The expression an SVG file shows, read by an XML parser: "pedal PEDAL START END" for each
// pedal band and "level HALF POINTS" for each level curve, in document order.
std::vector<std::string> SvgExpression(const std::filesystem::path& svg);

// Fails the test unless the SVG file is well-formed XML.
void ExpectWellFormedSvg(const std::filesystem::path& svg);

}  // namespace testing_support
