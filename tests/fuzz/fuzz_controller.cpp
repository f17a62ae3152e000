#include "fuzz_controller.h"

#include "fuzz_support.h"

namespace VN_Fuzz {

Controller_T& Controller() {
    static Controller_T* controller = [] {
        WorkDir();
        CopyShippedStation(false);
        // Lives until the process ends, as the controller's globals do.
        auto* made = new Controller_T();
        made->system.SetSystemConfiguration("system_config.xml");
        made->system.SetChannelConfiguration("chan_config.xml");
        made->sampler.SetDataSourceSystem(&made->system);
        made->system.SetUserSettings("settings.xml");
        made->sampler.SetUserSettings("settings.xml");
        return made;
    }();
    return *controller;
}

}  // namespace VN_Fuzz
