#include "common/controller_mutexes.h"

// std::mutex is constant-initialised, so objects built before main may lock these.
std::mutex systemMutex;
std::mutex resetMutex;
std::mutex calModeMutex;
std::mutex statusMutex;
std::mutex recordMutex;
std::mutex modbusMutex;
