#include "model/setting_diff.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace krm {
namespace {

DeviceImage startImage() {
    DeviceImage image;
    ResetToStartupValues(image);
    return image;
}

TEST(ChangedModules, EachEditIsReportedAsItsOwnModuleOnly) {
    struct Case {
        std::function<void(DeviceImage&)> edit;
        ImageModule module;
    };
    const Case cases[] = {
        {[](DeviceImage& d) { d.inputs[19].gain += 1; }, ImageModule::Levels},
        {[](DeviceImage& d) { d.outputs[7].lineLevel ^= 1; }, ImageModule::Levels},
        {[](DeviceImage& d) { d.inputs[0].phantom ^= 1; }, ImageModule::Inputs},
        {[](DeviceImage& d) { d.inputs[3].peq[4].q += 1; }, ImageModule::Peq},
        {[](DeviceImage& d) { d.inputs[3].peqEnable ^= 1; }, ImageModule::Peq},
        {[](DeviceImage& d) { d.inputs[15].lpf.slope += 2; }, ImageModule::Filters},
        {[](DeviceImage& d) { d.inputs[2].gate.range += 1; }, ImageModule::Dynamics},
        {[](DeviceImage& d) { d.inputs[2].comp.ratio += 1; }, ImageModule::Dynamics},
        {[](DeviceImage& d) { d.outputs[4].limiter.attack += 1; }, ImageModule::Limiter},
        {[](DeviceImage& d) { d.outputs[0].geq[30].gain += 1; }, ImageModule::Geq},
        {[](DeviceImage& d) { d.outputs[6].delay += 1; }, ImageModule::Delay},
        {[](DeviceImage& d) { d.inputs[8].matrix[7] += 1; }, ImageModule::Matrix},
        {[](DeviceImage& d) { d.inputs[8].auxSend[5] += 1; }, ImageModule::Sends},
        {[](DeviceImage& d) { d.inputs[17].fxRevTime += 1; }, ImageModule::Effects},
        {[](DeviceImage& d) { d.nomAttn += 1; }, ImageModule::AutoMixer},
        {[](DeviceImage& d) { d.lastHold ^= 1; }, ImageModule::AutoMixer},
        {[](DeviceImage& d) { d.inputs[11].autoMixPriority ^= 1; }, ImageModule::AutoMixer},
        {[](DeviceImage& d) { d.outputs[1].name = Name16::fromUtf16(u"Hall"); },
         ImageModule::Names},
        {[](DeviceImage& d) { d.deviceText = Name16::fromUtf16(u"Room 2"); }, ImageModule::Names},
        {[](DeviceImage& d) { d.controlGroups[3].link(LinkEq) ^= 1; }, ImageModule::Groups},
        {[](DeviceImage& d) { d.muteGroups[0].input(4) ^= 1; }, ImageModule::Groups},
        {[](DeviceImage& d) { d.micUnits[9][4] += 1; }, ImageModule::MicUnits},
    };
    const DeviceImage before = startImage();
    for (const Case& c : cases) {
        DeviceImage after = before;
        c.edit(after);
        SCOPED_TRACE(ModuleName(c.module).en);
        EXPECT_EQ(ChangedModules(before, after), std::vector<ImageModule>{c.module});
    }
}

TEST(ChangedModules, LiveValuesAreNoSettingsAndSeveralChangesListInModuleOrder) {
    const DeviceImage before = startImage();
    EXPECT_TRUE(ChangedModules(before, before).empty());

    DeviceImage live = before;
    for (InputChannel& in : live.inputs) {
        in.meter = 200;
        in.meter2 = 100;
        in.autoMixOpen = 1;
        in.autoMixLast = 1;
    }
    for (OutputChannel& out : live.outputs)
        out.meter = 255;
    EXPECT_TRUE(ChangedModules(before, live).empty()) << "meters and open states moved only";

    DeviceImage after = live;
    after.inputs[0].name = Name16::fromUtf16(u"Podium");
    after.outputs[3].limiter.threshold += 5;
    after.inputs[5].peq[0].gain += 10;
    EXPECT_EQ(
        ChangedModules(before, after),
        (std::vector<ImageModule>{ImageModule::Peq, ImageModule::Limiter, ImageModule::Names}));
    // Both ways round: what the device lost counts as much as what it gained.
    EXPECT_EQ(ChangedModules(after, before), ChangedModules(before, after));
}

} // namespace
} // namespace krm
