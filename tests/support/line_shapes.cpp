#include "support/line_shapes.h"

#include <regex>

bool IsEngineLine(const std::string& line) {
  static const std::regex kShapes(
      "id name Quendal 4\\.08|id author Orvendel|uciok|readyok"
      "|option name Hash type spin default \\d+ min 1 max 1024"
      "|option name Ponder type check default true"
      "|info depth \\d+ seldepth \\d+ score (cp|mate) -?\\d+( upperbound| lowerbound)?"
      " time \\d+ nodes \\d+ nps \\d+( pv( [a-h][1-8][a-h][1-8][qrbn]?)+)?"
      "|info currmove [a-h][1-8][a-h][1-8][qrbn]? currmovenumber \\d+"
      "|bestmove ([a-h][1-8][a-h][1-8][qrbn]?( ponder [a-h][1-8][a-h][1-8][qrbn]?)?|0000)"
      "|info string [^\\r\\n]+"
      "|\\d+ Bytes Arbeitsspeicher nicht mehr verf\\x81gbar",
      std::regex::optimize);
  return std::regex_match(line, kShapes);
}
