#pragma once

// Whether a line added to a text file that has no line end of its own yet ends
// in CR LF, as Windows programs expect, rather than LF.
bool SystemLineEndIsCrLf();
