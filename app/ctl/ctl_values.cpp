#include "app/ctl/ctl_values.h"

#include "model/typed_value.h"

namespace krm::ctl {

std::variant<std::int32_t, std::string> ParseDisplayValue(const Parameter& p, Channel channel,
                                                          std::string_view text) {
    const std::string path = p.path(channel);
    const TypedValue value = ReadTypedValue(p, channel, text);
    if (const auto* code = std::get_if<std::int32_t>(&value))
        return *code;
    if (const auto* refusal = std::get_if<TypedRefusal>(&value)) {
        if (*refusal == TypedRefusal::Empty)
            return path + ": no value given";
        return "'" + std::string(text) + "' is not a value of " + path + " (" +
               RangeText(p, channel) + ")";
    }
    const auto& number = std::get<TypedNumber>(value);
    if (const std::optional<std::int32_t> code = NearestCode(p, channel, number))
        return *code;
    return "'" + std::string(text) + "' is out of range for " + path + " (" +
           RangeText(p, channel) + ")";
}

} // namespace krm::ctl
