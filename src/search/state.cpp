#include "search/search.h"

SearchNode NodeStack[MaxPly];
Move RootPv[64];
int32_t IterationDepth;
int32_t SelDepth;
int32_t RootBound;
int32_t RootMoveCount;
Move Killers[MaxPly][2];
bool SilentSearch;
Move AllowedRootMoves[256];
int32_t AllowedRootMoveCount;
