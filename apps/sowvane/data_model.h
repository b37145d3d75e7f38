#pragma once
// The application's process-wide data model, built statically before main in
// one translation unit and in this order: the module registry, the parameter
// tree "PS", the main thread's event queue, the live data store (its head over
// the body) and the store's lookup tree "data_store". Being built in one place and one order, every
// lookup and settings item draws the same id on every start of one build.

#include "apps/sowvane/data_store/data_store.h"
#include "apps/sowvane/data_store/data_store_lookup.h"
#include "apps/sowvane/params/parameters.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"

// The process-wide module registry and event pool.
extern module_man sowvane_module_man;
// The parameter tree, root "PS", loaded from and saved to the settings file.
extern NV_kelsu::parameters_t sowvane_parameters;
// The main thread's event queue: the start-up and the main loop wait on it.
extern waiter_descriptor sowvane_main_waiter;
// The live data store (head and body) and its lookup root "data_store".
extern Data_store sowvane_data_store;
extern CDS::Lookup_data_store_body sowvane_data_store_lookup;
