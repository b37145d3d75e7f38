// Shared set-up of the diagnostics tests: a registry with a small table of
// codes, a receiver of its events, error reports and a file store in a
// temporary directory.
#pragma once

#include "glue/diagnostics/Diagnostics_messages.h"
#include "glue/diagnostics/Trouble_code_registry.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "platform/util/pcf_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace diag_test {

using Registry = Trouble_code_registry;
using Item = Registry::Item;

// Builds an error report of one source.
class Report {
public:
    Report(unsigned char src, std::initializer_list<unsigned short> codes)
    {
        bytes_.assign(7 + 2 * codes.size(), 0);
        bytes_[0] = 'R';
        bytes_[1] = 'R';
        bytes_[5] = src;
        bytes_[6] = static_cast<unsigned char>(codes.size());
        size_t i = 7;
        for (unsigned short c : codes) {
            bytes_[i++] = static_cast<unsigned char>(c & 0xFF);
            bytes_[i++] = static_cast<unsigned char>(c >> 8);
        }
    }
    Diagnostics_messages::Msg_RR msg() { return {bytes_.data(), static_cast<unsigned>(bytes_.size())}; }
    std::vector<unsigned char>& bytes() { return bytes_; }

private:
    std::vector<unsigned char> bytes_;
};

// A registry whose codes are: source 1 codes 10, 11 (11 latching), 12 (not
// reported on CAN); source 2 code 10.
class Registry_fixture : public ::testing::Test {
protected:
    static constexpr int N = 4;

    void SetUp() override
    {
        refs_[0] = {1, 3, 10, 0x12345, "one/ten"};
        refs_[1] = {1, 31, 11, 520000, "one/eleven"};
        refs_[2] = {1, 2, 12, 77, "one/twelve"};
        refs_[3] = {2, 4, 10, 0x7FFFF, "two/ten"};
        items_[0] = Item(&refs_[0], Item::REPORTED_ON_CAN);
        items_[1] = Item(&refs_[1], Item::REPORTED_ON_CAN | Item::LATCHING);
        items_[2] = Item(&refs_[2], 0);
        items_[3] = Item(&refs_[3], Item::REPORTED_ON_CAN);
        reg_.create_lists();
        for (auto& it : items_)
            reg_.inactive_list().insert(&it);
        reg_.waiters().assign_module_id(mm_);
        waiter_.init(&mm_);
        ASSERT_TRUE(reg_.register_event_waiter(waiter_));
        reg_.set_initialised(true);
    }
    void TearDown() override { reg_.deregister_event_waiter(waiter_); }

    int report(unsigned char src, std::initializer_list<unsigned short> codes)
    {
        Report r(src, codes);
        return reg_._receive_error_report(r.msg());
    }

    // (type, item) of every event received so far.
    std::vector<std::pair<int, const Item*>> events()
    {
        std::vector<std::pair<int, const Item*>> out;
        waiter_event e;
        while (waiter_.get_event(&e, Atime::now()) == 0) {
            EXPECT_EQ(reg_.waiters().get_module_id(), e.module_id);
            Registry::Diag_event d(e);
            out.emplace_back(d.type(), d.item());
        }
        return out;
    }

    bool in_active(const Item& it) { return reg_.active_list().contains(&it); }
    bool in_inactive(const Item& it) { return reg_.inactive_list().contains(&it); }

    module_man mm_;
    waiter_descriptor waiter_;
    Registry::cross_ref_t refs_[N];
    Item items_[N];
    Registry reg_;
};

// A file store in a fresh temporary directory for each test.
class Store {
public:
    explicit Store(uint32_t capacity = 200000)
    {
        char tmpl[] = "/tmp/diag_store_XXXXXX";
        if (mkdtemp(tmpl))
            root_ = tmpl;
        mounted_ = pcfMount((root_ + "/store").c_str(), capacity);
    }
    ~Store()
    {
        pcfSimulateBusy(0);
        pcfSimulateFull(false);
        pcfUnmount();
        std::filesystem::remove_all(root_);
    }
    bool mounted() const { return mounted_; }
    std::string path(const std::string& name) const { return root_ + "/store/" + name; }

private:
    std::string root_;
    bool mounted_ = false;
};

} // namespace diag_test
