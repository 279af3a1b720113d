#pragma once
#include "bench/ProgramWindow.h" // the programs' window, beside them
