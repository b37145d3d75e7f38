// Golden tables of the two schemas: the live store's lookup tree
// "data_store" and the parameter tree "PS". Renaming a field, changing its
// type, size, default or array size, or swapping two fields (which moves the
// lookup ids, the remote serialisation order and the settings file) changes a
// table, and the table is compared whole with the checked-in one.
//
// A deliberate schema change regenerates the tables, to be reviewed and
// committed with it:
//   SOWVANE_UPDATE_GOLDEN=1 build/asan/bin/test_apps_sowvane_model --gtest_filter='SchemaGolden.*'

#include "apps/sowvane/data_store/data_store.h"
#include "apps/sowvane/data_store/data_store_lookup.h"
#include "apps/sowvane/params/parameters.h"
#include "glue/cds/Send_buffer.h"
#include "glue/diner/module_man.h"
#include "tests/support/item_id_scope.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

const std::string golden_dir = SOWVANE_SOURCE_DIR "/tests/apps/sowvane/model/golden/";

std::string hex_of(const void* data, unsigned size)
{
    std::string text;
    char byte[3];
    for (unsigned i = 0; i < size; ++i) {
        std::snprintf(byte, sizeof byte, "%02x", static_cast<const unsigned char*>(data)[i]);
        text += byte;
    }
    return text.empty() ? "-" : text;
}

// One line per node in pre-order: path, id (from the root's), type code, type
// name, size in bytes, and for a value its initial bytes.
void live_rows(CDS::Lookup_item& item, const std::string& path, unsigned short root_id, std::ostream& out)
{
    CDS::Lookup_struct* record = item.as_struct();
    out << (path.empty() ? "." : path) << ' ' << item.get_id() - root_id << ' ' << item.get_type() << ' '
        << item.get_type_name() << ' ' << item.get_size() << ' '
        << (record ? "-" : hex_of(item.get_address(), item.get_size())) << '\n';
    if (!record)
        return;
    for (CDS::Lookup_item* child = record->first_child(); child; child = record->next_child(child))
        live_rows(*child, path.empty() ? child->get_name() : path + "." + child->get_name(), root_id, out);
}

// The bytes the remote service sends for a setting's value.
int remote_size(NV_store::NV_item& leaf)
{
    char bytes[1024];
    CDS::Remote::Send_buffer out(bytes, 0, sizeof bytes);
    unsigned short resume = 0;
    leaf.serialise(out, resume);
    return int(sizeof bytes) - out.get_free_space();
}

// One line per node in pre-order: path, NV id, item id (from the root's),
// type byte, then for a container its number of children and for a setting
// the size of its value and its default as text.
void ps_rows(NV_store::NV_item& item, const std::string& path, unsigned short root_id, std::ostream& out)
{
    char type[8];
    std::snprintf(type, sizeof type, "0x%02x", item.get_type_byte());
    out << (path.empty() ? "." : path) << ' ' << item.get_nv_id() << ' ' << item.get_id() - root_id << ' '
        << type << ' ';
    auto* container = dynamic_cast<NV_store::NV_container*>(&item);
    if (!container) {
        char text[256] = {};
        item._to_string(text, sizeof text);
        out << remote_size(item) << ' ' << text << '\n';
        return;
    }
    out << container->child_count() << " -\n";
    for (NV_store::NV_item* child = container->first_child(); child; child = container->get_next_child(child)) {
        char name[64];
        child->get_path_name(name, sizeof name);
        ps_rows(*child, path.empty() ? name : path + "/" + name, root_id, out);
    }
}

std::string read_text(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Compares the table with the golden file, or rewrites the file when asked.
void check_golden(const std::string& file, const std::string& header, const std::string& rows)
{
    const std::string table = header + rows;
    const std::string path = golden_dir + file;
    if (const char* update = std::getenv("SOWVANE_UPDATE_GOLDEN"); update && *update == '1') {
        std::ofstream(path) << table;
        GTEST_SKIP() << "rewrote " << path;
    }
    const std::string golden = read_text(path);
    ASSERT_FALSE(golden.empty()) << path << " is missing";
    if (golden == table)
        return;
    std::istringstream want(golden), got(table);
    std::string w, g;
    for (int line = 1;; ++line) {
        const bool more_w = bool(std::getline(want, w));
        const bool more_g = bool(std::getline(got, g));
        if (!more_w && !more_g)
            break;
        if (w != g || more_w != more_g) {
            ADD_FAILURE() << file << " line " << line << " differs\n  golden: " << (more_w ? w : "(end)")
                          << "\n  schema: " << (more_g ? g : "(end)")
                          << "\nA deliberate schema change regenerates the table with "
                             "SOWVANE_UPDATE_GOLDEN=1.";
            return;
        }
    }
}

TEST(SchemaGolden, LiveStore)
{
    Item_id_scope ids;
    auto store = std::make_unique<Data_store>(nullptr);
    auto lookup = std::make_unique<CDS::Lookup_data_store_body>(store->head, store->body);
    std::ostringstream rows;
    live_rows(*lookup, "", lookup->get_id(), rows);
    check_golden("data_store.schema",
                 "# data_store: path, id from the root's, type, type name, size, initial bytes (hex)\n",
                 rows.str());
}

TEST(SchemaGolden, ParameterTree)
{
    Item_id_scope ids;
    module_man mm;
    auto ps = std::make_unique<NV_kelsu::parameters_t>(&mm, 0, "PS");
    std::ostringstream rows;
    ps_rows(*ps, "", ps->get_id(), rows);
    check_golden("PS.schema",
                 "# PS: path, NV id, item id from the root's, type byte, children or value size, "
                 "default\n",
                 rows.str());
}

} // namespace
