#include "Whole_pool_check.h"

#include "tests/support/vt_object_model/InProcessVt.h"

#include "apps/sowvane/pool/Pool_builder.h"
#include "vt_object_model/VtMessageReader.h"
#include "vt_object_model/VtMessageWriter.h"
#include "vt_object_model/VtObjects.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>

namespace {

void problem(Whole_pool_report& report, const char* format, ...)
{
    char text[300];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    report.problems.push_back(text);
}

// Fields that no screen fills.
bool never_filled(const Screen_object_field& field)
{
    const std::string group = field.group;
    const std::string name = field.name;
    return group == "multi_tank_cal_warning_mask" || name.rfind("spare_", 0) == 0;
}

void parse_records(const std::vector<uint8_t>& image, Whole_pool_report& report)
{
    VtMessageReader reader;
    reader.setData(image.data(), uint32_t(image.size()));
    uint32_t expected = Pool_builder::first_oid;
    while (reader.getRemaining() > 0) {
        uint32_t oid = 0;
        uint32_t type = 0;
        if (!reader.readOid(oid, nullptr) || !reader.readByte(type, nullptr)) {
            problem(report, "record header cut short at offset %u", reader.getPosition());
            return;
        }
        std::unique_ptr<VtObject> object(createVtObject(type, oid));
        if (object == nullptr || object->read(reader) != 0) {
            problem(report, "object %u of type %u cannot be read back", oid, type);
            return;
        }
        if (oid != expected)
            problem(report, "object %u follows %u: IDs must ascend without gaps", oid, expected - 1);
        expected = oid + 1;
        report.oids.push_back(oid);
        ++report.objects_by_type[type];
    }
    report.objects = uint32_t(report.oids.size());
}

void check_round_trip(const std::vector<uint8_t>& image, Whole_pool_report& report)
{
    Pool_builder builder;
    VtMessageReader reader;
    reader.setData(image.data(), uint32_t(image.size()));
    if (builder.read_pool(reader) != 1) {
        problem(report, "the pool builder cannot read the image back");
        return;
    }
    VtMessageWriter again(uint32_t(image.size()) + 16, nullptr);
    if (builder.write_pool(again) != 0 ||
        !std::equal(image.begin(), image.end(), again.getData(), again.getData() + again.getLength()) ||
        again.getLength() != image.size())
        problem(report, "the image read by the pool builder writes back differently");
}

bool exists(const VtObjectTable& table, uint32_t oid)
{
    return table.getObject(oid) != nullptr;
}

void check_references(const VtCommandProcessor& terminal, const std::vector<uint32_t>& oids,
                      Whole_pool_report& report)
{
    for (uint32_t oid : oids) {
        VtObject* object = terminal.getObject(oid);
        if (object == nullptr) {
            problem(report, "object %u is missing on the VT", oid);
            continue;
        }
        for (VtObjectObserver* o = object->getObserverChain(); o != nullptr; o = o->getNextInHolder())
            if (o->getOid() != VT_NULL_ID && o->getTarget() == nullptr)
                problem(report, "object %u refers to %u, which is not in the pool", oid, o->getOid());
        if (VtObjectRefList* children = vtChildRefsOf(object))
            for (uint32_t i = 0; i < children->size(); ++i)
                if (!exists(terminal, children->at(i)->oid))
                    problem(report, "object %u holds child %u, which is not in the pool", oid, children->at(i)->oid);
        VtObjectList* list = nullptr;
        if (object->getType() == VtObjectTypeSoftKeyMask)
            list = &static_cast<VtObjectSoftKeyMask*>(object)->getChilds();
        if (object->getType() == VtObjectTypeInputFieldList)
            list = &static_cast<VtObjectInputFieldList*>(object)->getElements();
        for (uint32_t i = 0; list != nullptr && i < list->size(); ++i)
            if (!exists(terminal, list->at(i)->oid))
                problem(report, "object %u lists %u, which is not in the pool", oid, list->at(i)->oid);
        if (object->getType() == VtObjectTypeDataMask &&
            static_cast<VtObjectDataMask*>(object)->getSoftKeyMask() == VT_NULL_ID)
            problem(report, "data mask %u has no soft key mask", oid);
    }
}

void check_field(const VtCommandProcessor& terminal, const char* group, const char* name, uint32_t index,
                 uint32_t oid, uint32_t kind, bool may_be_empty, Whole_pool_report& report)
{
    if (kind == screen_field_plain)
        return;
    if (oid == VT_NULL_ID) {
        if (!may_be_empty)
            problem(report, "%s.%s[%u] names no object", group, name, index);
        return;
    }
    VtObject* object = terminal.getObject(oid);
    if (object == nullptr)
        problem(report, "%s.%s[%u] = %u is not in the pool", group, name, index, oid);
    else if (kind != screen_field_any_object && object->getType() != kind)
        problem(report, "%s.%s[%u] = %u is a %s, not a %s", group, name, index, oid,
                VtObject::getTypeName(object->getType()), VtObject::getTypeName(kind));
}

void check_table(const VtCommandProcessor& terminal, const Screen_object_ids& table,
                 const Whole_pool_options& options, Whole_pool_report& report)
{
    size_t count = 0;
    const Screen_object_field* fields = Screen_object_ids::fields(count);
    for (size_t f = 0; f < count; ++f) {
        const Screen_object_field& field = fields[f];
        const bool group_unfilled = std::find(options.unfilled_groups.begin(), options.unfilled_groups.end(),
                                              field.group) != options.unfilled_groups.end();
        for (uint32_t i = 0; i < field.count; ++i)
            check_field(terminal, field.group, field.name, i, *table.field(field, i), field.kind,
                        group_unfilled || never_filled(field), report);
    }
    size_t record_count = 0;
    const Screen_record_field* record_fields = Screen_object_ids::record_fields(record_count);
    for (int t = 0; t < Screen_object_ids::tank_count; ++t)
        for (size_t f = 0; f < record_count; ++f)
            check_field(terminal, "tank_record", record_fields[f].name, uint32_t(t),
                        table.tank_records[t]->*record_fields[f].member, record_fields[f].kind, false, report);
}

} // namespace

Whole_pool_report check_whole_pool(const std::vector<uint8_t>& image, const Screen_object_ids& table,
                                   const Whole_pool_options& options)
{
    Whole_pool_report report;
    report.bytes = uint32_t(image.size());
    if (image.size() < 3 || image[0] != 0x10 || image[1] != 0x27 || image[2] != 0x00)
        problem(report, "the image does not start with the working set 10000 (0x10 0x27 0x00)");
    parse_records(image, report);
    check_round_trip(image, report);

    InProcessVt vt;
    vt.processor.setTrace(false);
    vt.uploadPool(image.data(), uint32_t(image.size()));
    const VtPoolError& error = vt.processor.getPoolError();
    if (error.failed)
        problem(report, "the VT refused the pool at object %u (code %u)", error.oid, error.code);
    bool answered = false;
    for (const std::vector<uint8_t>& response : vt.takeResponses())
        if (!response.empty() && response[0] == 18) {
            answered = true;
            if (response.size() < 2 || response[1] != 0)
                problem(report, "End of Object Pool answered with error %u", response.size() > 1 ? response[1] : 255);
        }
    if (!answered)
        problem(report, "the VT did not answer End of Object Pool");
    check_references(vt.processor, report.oids, report);
    check_table(vt.processor, table, options, report);
    return report;
}

std::string describe(const Whole_pool_report& report)
{
    std::string text;
    const size_t shown = std::min<size_t>(report.problems.size(), 40);
    for (size_t i = 0; i < shown; ++i)
        text += report.problems[i] + "\n";
    if (shown < report.problems.size())
        text += "... and " + std::to_string(report.problems.size() - shown) + " more\n";
    return text;
}
