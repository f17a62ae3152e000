#ifndef VN_CONTROLLER_CHANNEL_H
#define VN_CONTROLLER_CHANNEL_H

namespace VN_Sample {

// Where a channel's values come from: a unit (data source) and its local input id.
class Channel {
public:
    int dataSourceId = -1;
    int localId = -1;
};

}  // namespace VN_Sample

#endif
