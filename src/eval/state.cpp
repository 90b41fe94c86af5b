#include "eval/eval.h"

int32_t PieceSquare[2][8][128];
int32_t BestSquareValue[2][8];
PawnFileRecord PawnFileStore[64];
EvaluationFigures LastEvaluation;
uint8_t* EndgameData;
uint8_t EndgameTryLoad = 1;
const char* EndgameExecutableLink = nullptr;
int32_t RootScore;
