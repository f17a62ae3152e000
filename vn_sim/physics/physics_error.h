#ifndef VN_SIM_PHYSICS_ERROR_H
#define VN_SIM_PHYSICS_ERROR_H

namespace VN_Sim {

// Result codes of the physical models (0 = success). They stay inside the
// simulation: the station description reader turns them into its own errors.
enum PhysicsError {
    PHYS_OK = 0,
    PHYS_BAD_PARAMETER = 1,  // a model parameter that no real device could have
    PHYS_OUT_OF_RANGE = 2,   // an input outside the range the model is defined on
    PHYS_NO_ROOT = 3,        // a solver was given an interval without a sign change
};

}  // namespace VN_Sim

#endif
