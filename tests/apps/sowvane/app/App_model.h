// A data model of the application's own for one test: module registry,
// parameter tree "PS", live data store and its lookup tree, built and torn
// down in the program's order. Their item ids go back to the counter after.
#pragma once

#include "apps/sowvane/data_store/data_store.h"
#include "apps/sowvane/data_store/data_store_lookup.h"
#include "apps/sowvane/params/parameters.h"
#include "glue/diner/module_man.h"
#include "tests/support/item_id_scope.h"

#include <memory>

struct App_model {
    Item_id_scope ids;
    std::unique_ptr<module_man> mm = std::make_unique<module_man>();
    std::unique_ptr<NV_kelsu::parameters_t> ps =
        std::make_unique<NV_kelsu::parameters_t>(mm.get(), 0, "PS");
    std::unique_ptr<Data_store> store = std::make_unique<Data_store>(mm.get());
    std::unique_ptr<CDS::Lookup_data_store_body> lookup =
        std::make_unique<CDS::Lookup_data_store_body>(store->head, store->body);

    data_store_body& body() { return store->body; }
    CDS::Head* head() { return &store->head; }
};
