#include "position/position.h"

BoardCell Board[120];
PieceEntry PieceList[2][16];
int32_t LastEntry[2];
int32_t LastOfficer[2];
int32_t PieceCount;
uint64_t SquareSets[2][8];
int32_t SideToMove;
int32_t OtherSide;
int32_t RootSide;
uint32_t KeyCheck;
uint32_t KeyIndex;
Move GameLine[GameLineSize];
uint8_t CastlingRightsLost;
AttackVector* AttackVectors;
int32_t Ply;
Move* CurrentMove = GameLine + RootSlot;
