// Ids of the global stats that several screens show (the global stat
// manager holds them; windows list the ones they use).
#pragma once

namespace Stat_ids {
enum num_ids : int { NUM_0 = 0, NUM_1, NUM_2, NUM_3, NUM_4, NUM_COUNT };
// The other kinds have no global stats.
enum bool_ids : int { BOOL_COUNT = 0 };
enum string_ids : int { STRING_COUNT = 0 };
enum list_ids : int { LIST_COUNT = 0 };
enum indicator_ids : int { INDICATOR_COUNT = 0 };
enum pointer_ids : int { POINTER_COUNT = 0 };
} // namespace Stat_ids
