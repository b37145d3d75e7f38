#include "apps/sowvane/data_model.h"

module_man sowvane_module_man;
NV_kelsu::parameters_t sowvane_parameters(&sowvane_module_man, 0, "PS");
// The pool generator's screen object-ID table comes here, before the main waiter.
waiter_descriptor sowvane_main_waiter;
Data_store sowvane_data_store(&sowvane_module_man);
CDS::Lookup_data_store_body sowvane_data_store_lookup(sowvane_data_store.head,
                                                      sowvane_data_store.body);
