#pragma once
#include "bench/ImageCompare.h" // the benchmark's, tested beside the other helpers
