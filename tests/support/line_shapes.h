// The shapes of every line the engine writes in play (identification, readiness, search
// information, best move, refusals, the out-of-memory diagnostic). A line that fits none was
// torn, interleaved with another or is simply wrong.
#pragma once

#include <string>

bool IsEngineLine(const std::string& line);
