#pragma once
// What the window hands to a dynamics page: the edit service, the clock of its drag
// throttle, the preset store (asked when the page first opens, because the window builds
// it after its pages; null means no data folder and no preset list) and the preset list's
// dialogs. UI thread only.

#include "editors/presets/preset_list.h"
#include "link/clock.h"
#include "model/edit_service.h"
#include "presets/module_presets.h"

#include <functional>

namespace krm {

struct DynamicsServices {
    EditService& edits;
    Clock& clock;
    std::function<ModulePresets*()> presets;
    PresetListServices presetServices;
};

} // namespace krm
