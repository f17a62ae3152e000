#ifndef VN_CONTROLLER_AUX_INPUT_SAMPLE_H
#define VN_CONTROLLER_AUX_INPUT_SAMPLE_H

#include "channels/data_sample.h"

namespace VN_Sample {

class AuxInputSample : public DataSample {};

}  // namespace VN_Sample

#endif
