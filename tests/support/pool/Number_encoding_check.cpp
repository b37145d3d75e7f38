#include "Number_encoding_check.h"

#include "tests/support/vtui/Float_vt.h"

#include "vt_object_model/VtObjects.h"

#include <algorithm>
#include <map>
#include <utility>

namespace {

constexpr uint32_t LAST_OID = 65534;
// Raw values tried per input: enough to meet every magnitude of its range.
constexpr uint32_t SAMPLES = 20000;

std::string named(uint32_t oid, const char* what, int64_t value)
{
    return "object " + std::to_string(oid) + ": " + what + " " + std::to_string(value) + " is 2^24 or more";
}

void check_exact(std::vector<std::string>& problems, uint32_t oid, const char* what, int64_t value)
{
    if (!float_vt::exact(value))
        problems.push_back(named(oid, what, value));
}

struct Reader {
    uint32_t oid;
    int32_t offset;
    double scale;
};

} // namespace

std::vector<std::string> number_encoding_problems(const Object_lookup& object_of)
{
    std::vector<std::string> problems;
    std::map<uint32_t, std::vector<Reader>> readers; // by number variable
    int numbers = 0;
    for (uint32_t oid = 0; oid <= LAST_OID; ++oid) {
        VtObject* o = object_of(oid);
        if (o == nullptr)
            continue;
        numbers += dynamic_cast<VtObjectInputFieldNumber*>(o) || dynamic_cast<VtObjectOutputFieldNumber*>(o);
        if (auto* in = dynamic_cast<VtObjectInputFieldNumber*>(o)) {
            check_exact(problems, oid, "input value", in->getValue());
            check_exact(problems, oid, "input minimum", in->getMinValue());
            check_exact(problems, oid, "input maximum", in->getMaxValue());
            check_exact(problems, oid, "input offset", in->getOffset());
            readers[in->getVariableReference()].push_back({oid, in->getOffset(), in->getScale()});
            const float scale = float(in->getScale());
            const int decimals = int(in->getNumberOfDecimals());
            // The limits' counts that entries of 7 digits reach.
            const int64_t lo = std::max<int64_t>(in->getMinValue(), -float_vt::ENTRY_LIMIT - in->getOffset());
            const int64_t hi = std::min<int64_t>(in->getMaxValue(), float_vt::ENTRY_LIMIT - 1 - in->getOffset());
            if (float_vt::steps_of(scale, decimals) != 0 && lo >= 0 && lo <= hi) {
                const std::string inexact = float_vt::first_inexact(uint32_t(lo), uint32_t(hi), in->getOffset(),
                                                                    scale, decimals, SAMPLES);
                if (!inexact.empty())
                    problems.push_back("input " + std::to_string(oid) + ": " + inexact);
            }
        } else if (auto* out = dynamic_cast<VtObjectOutputFieldNumber*>(o)) {
            check_exact(problems, oid, "output value", out->getValue());
            check_exact(problems, oid, "output offset", out->getOffset());
            readers[out->getVariableReference()].push_back({oid, out->getOffset(), out->getScale()});
        } else if (auto* var = dynamic_cast<VtObjectNumberVariable*>(o)) {
            check_exact(problems, oid, "variable value", var->getValue());
        }
    }
    if (numbers == 0)
        problems.push_back("no input or output number found");
    for (const auto& [variable, list] : readers) {
        if (variable == LAST_OID + 1 || list.size() < 2)
            continue;
        for (const Reader& r : list)
            if (r.offset != list[0].offset || float(r.scale) != float(list[0].scale))
                problems.push_back("variable " + std::to_string(variable) + " read by " + std::to_string(list[0].oid) +
                                   " with offset " + std::to_string(list[0].offset) + " and by " +
                                   std::to_string(r.oid) + " with offset " + std::to_string(r.offset));
    }
    return problems;
}

std::vector<std::string> number_command_problems(const std::vector<Vt_cmd>& commands, const Object_lookup& object_of)
{
    // The attributes of raw values and offsets (ISO 11783-6 attribute ids).
    static const std::map<std::pair<bool, int>, const char*> raw_attributes = {
        {{true, 7}, "minimum"}, {{true, 8}, "maximum"}, {{true, 9}, "offset"}, {{false, 7}, "offset"}};
    std::vector<std::string> problems;
    for (const Vt_cmd& c : commands) {
        VtObject* o = object_of(c.id);
        const bool input = dynamic_cast<VtObjectInputFieldNumber*>(o) != nullptr;
        const bool output = dynamic_cast<VtObjectOutputFieldNumber*>(o) != nullptr;
        const bool variable = dynamic_cast<VtObjectNumberVariable*>(o) != nullptr;
        if (c.function == Recording_pool::CHANGE_NUMERIC_VALUE && (input || output || variable)) {
            check_exact(problems, c.id, "Change Numeric Value", int64_t(c.value));
        } else if (c.function == Recording_pool::CHANGE_ATTRIBUTE && (input || output)) {
            auto it = raw_attributes.find({input, c.aid});
            if (it == raw_attributes.end())
                continue;
            // The offset is signed; limits are not.
            const int64_t value = c.aid == (input ? 9 : 7) ? int64_t(int32_t(c.value)) : int64_t(c.value);
            check_exact(problems, c.id, (std::string("Change Attribute ") + it->second).c_str(), value);
        }
    }
    return problems;
}
