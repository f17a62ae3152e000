#ifndef VN_FUZZ_FUZZ_CONTROLLER_H
#define VN_FUZZ_FUZZ_CONTROLLER_H

#include "acquisition/data_system.h"
#include "schedule/data_sampler.h"

namespace VN_Fuzz {

// The controller's model as it starts on the shipped station (system and
// channel configuration, user settings), in the fuzz working directory; its
// units stay offline. Made on first use, kept for the run.
struct Controller_T {
    VN_Sample::DataSystem system;
    VN_Sample::DataSampler sampler;
};

Controller_T& Controller();

}  // namespace VN_Fuzz

#endif
