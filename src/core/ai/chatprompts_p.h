#pragma once

namespace ChatProtocol {

// The lines of the Action mode text, UTF-8, without their line breaks.
extern const char *const actionTextLines[];
extern const int actionTextLineCount;

} // namespace ChatProtocol
