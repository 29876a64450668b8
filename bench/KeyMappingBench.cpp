// Building the key mapping of a keyboard layout from a compiled keymap, as the platform does after
// every layout switch.

#include "platform/linux/KeyMapping.h"

#include <xkbcommon/xkbcommon.h>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

void BuildMapping(benchmark::State& state, const char* layouts, std::uint32_t active)
{
    std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(
        xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES), &xkb_context_unref);
    const xkb_rule_names names{"evdev", "pc105", layouts, "", ""};
    std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap(
        xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS),
        &xkb_keymap_unref);
    if (!keymap) {
        state.SkipWithError("no keymap");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(platform::xkb::KeyMapping(keymap.get(), active, layouts));
    }
}

BENCHMARK_CAPTURE(BuildMapping, German, "de", 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BuildMapping, RussianGroupActive, "us,ru", 1)->Unit(benchmark::kMillisecond);

} // namespace
