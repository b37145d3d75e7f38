// Code lists of the ISO 11783-1 / SAE J1939 NAME fields and the J1939-73
// failure mode identifiers. Each list is kept once, as an X-macro of
// (enumerator, value), so that the enums and the readable texts that are made
// from the enumerator names cannot drift apart.
#pragma once

#define J1939_INDUSTRY_GROUPS(X)                                                   \
    X(IND_CODE_GLOBAL, 0)                                                          \
    X(IND_CODE_ON_HIGHWAY_EQUIPMENT, 1)                                            \
    X(IND_CODE_AG_OR_FORESTRY, 2)                                                  \
    X(IND_CODE_CONSTRUCTION, 3)                                                    \
    X(IND_CODE_MARINE, 4)

// Device classes: a value names a different class in each industry group.
#define J1939_DEVICE_CLASSES(X)                                                    \
    X(DEV_CODE_NON_SPECIFIC, 0)                                                    \
    X(DEV_CODE_NOT_AVAILABLE, 127)                                                 \
    X(DEV_CODE_HIGHWAY_TRACTOR, 1)                                                 \
    X(DEV_CODE_AG_TRACTOR, 1)                                                      \
    X(DEV_CODE_TILLAGE, 2)                                                         \
    X(DEV_CODE_SECONDARY_TILLAGE, 3)                                               \
    X(DEV_CODE_PLANTER, 4)                                                         \
    X(DEV_CODE_FERTILIZER, 5)                                                      \
    X(DEV_CODE_SPRAYER, 6)                                                         \
    X(DEV_CODE_HARVESTER, 7)                                                       \
    X(DEV_CODE_ROOT_HARVESTER, 8)                                                  \
    X(DEV_CODE_FORAGE, 9)                                                          \
    X(DEV_CODE_IRRIGATION, 10)                                                     \
    X(DEV_CODE_TRANSPORT_TRAILER, 11)                                              \
    X(DEV_CODE_FARMYARD_OPERATIONS, 12)                                            \
    X(DEV_CODE_POWERED_AUXILIARY_DEVICES, 13)                                      \
    X(DEV_CODE_SPECIAL_CROPS, 14)                                                  \
    X(DEV_CODE_EARTH_WORK, 15)                                                     \
    X(DEV_CODE_SKIDDER, 16)                                                        \
    X(DEV_CODE_SENSOR_SYSTEMS, 17)                                                 \
    X(DEV_CODE_SKID_STEER_LOADER, 1)                                               \
    X(DEV_CODE_ARTICULATED_DUMP_TRUCK, 2)                                          \
    X(DEV_CODE_BACKHOE, 3)                                                         \
    X(DEV_CODE_CRAWLER, 4)                                                         \
    X(DEV_CODE_EXCAVATOR, 5)                                                       \
    X(DEV_CODE_FORKLIFT, 6)                                                        \
    X(DEV_CODE_FOUR_WHEEL_DRIVE_LOADER, 7)                                         \
    X(DEV_CODE_GRADER, 8)

// Functions: 0-127 and 255 are the same in every industry group; from 128 up
// the industry group and the device class select the meaning.
#define J1939_FUNCTION_CODES(X)                                                    \
    X(FUNC_CODE_ENGINE, 0)                                                         \
    X(FUNC_CODE_POWER_TRANSMISSION, 3)                                             \
    X(FUNC_CODE_POWER_TAKEOFF_MAIN_OR_REAR, 6)                                     \
    X(FUNC_CODE_STEERING_CONTROLLER, 16)                                           \
    X(FUNC_CODE_INSTRUMENT_CLUSTER, 19)                                            \
    X(FUNC_CODE_NAVIGATION, 23)                                                    \
    X(FUNC_CODE_VIRTUAL_TERMINAL, 29)                                              \
    X(FUNC_CODE_AUX_CONTROLS, 57)                                                  \
    X(FUNC_CODE_FILE_SERVER_OR_PRINTER, 61)                                        \
    X(FUNC_CODE_ELECTRICAL_SYSTEM_CONTROLLER, 67)                                  \
    X(FUNC_CODE_OFF_BOARD_DIAG_TOOL, 129)                                          \
    X(FUNC_CODE_NOT_AVAILABLE, 255)                                                \
    X(FUNC_CODE_TASK_CONTROLLER, 130)                                              \
    X(FUNC_CODE_POSITION_CONTROL, 131)                                             \
    X(FUNC_CODE_MACHINE_CONTROL, 132)                                              \
    X(FUNC_CODE_TRACTOR_ECU, 134)                                                  \
    X(FUNC_CODE_WEIGHING_SYSTEM, 135)                                              \
    X(FUNC_CODE_REAR_HITCH_CONTROL, 130)                                           \
    X(FUNC_CODE_FRONT_HITCH_CONTROL, 131)                                          \
    X(FUNC_CODE_TRACTOR_MACHINE_CONTROL, 132)                                      \
    X(FUNC_CODE_PLANTER_SEED_RATE_CONTROL, 128)                                    \
    X(FUNC_CODE_PLANTER_SECTION_ON_OFF_CONTROL, 129)                               \
    X(FUNC_CODE_PLANTER_MACHINE_CONTROL, 132)                                      \
    X(FUNC_CODE_PLANTER_PRODUCT_FLOW, 133)                                         \
    X(FUNC_CODE_PLANTER_PRODUCT_LEVEL, 134)                                        \
    X(FUNC_CODE_SPRAYER_RATE_CONTROL, 128)                                         \
    X(FUNC_CODE_SPRAYER_SECTION_ON_OFF_CONTROL, 129)                               \
    X(FUNC_CODE_SPRAYER_BOOM_CONTROL, 130)                                         \
    X(FUNC_CODE_SPRAYER_MACHINE_CONTROL, 132)                                      \
    X(FUNC_CODE_SPRAYER_PRODUCT_FLOW, 133)                                         \
    X(FUNC_CODE_SPRAYER_PRODUCT_LEVEL, 134)                                        \
    X(FUNC_CODE_SLOPE_SENSOR, 136)                                                 \
    X(FUNC_CODE_LIFTARM_CONTROL, 137)                                              \
    X(FUNC_CODE_JOYSTICK_CONTROL, 141)                                             \
    X(FUNC_CODE_ROTATION_SENSOR, 142)                                              \
    X(FUNC_CODE_SONIC_SENSOR, 143)                                                 \
    X(FUNC_CODE_NON_VIRTUAL_TERMINAL, 128)                                         \
    X(FUNC_CODE_OPERATOR_CONTROLS, 129)                                            \
    X(FUNC_CODE_FOREIGN_OBJECT_DETECTION, 133)

// The implement maker's own code: a build constant.
#ifndef SOWVANE_MANUFACTURER_CODE
#define SOWVANE_MANUFACTURER_CODE 1861
#endif

// Manufacturer codes of the J1939 / ISO 11783 registry (NMEA 2000 shares it).
#define J1939_MANUFACTURER_CODES(X)                                                \
    X(MAN_CODE_ABEX_CORPORATION, 1)                                                \
    X(MAN_CODE_ALLIEDSIGNAL, 2)                                                    \
    X(MAN_CODE_ALLISON_TRANSMISSION, 3)                                            \
    X(MAN_CODE_AMP, 4)                                                             \
    X(MAN_CODE_BENDIX, 5)                                                          \
    X(MAN_CODE_CATERPILLAR, 6)                                                     \
    X(MAN_CODE_CUMMINS, 7)                                                         \
    X(MAN_CODE_DETROIT_DIESEL, 8)                                                  \
    X(MAN_CODE_AIRMAR, 135)                                                        \
    X(MAN_CODE_MARETRON, 137)                                                      \
    X(MAN_CODE_LOWRANCE, 140)                                                      \
    X(MAN_CODE_MERCURY_MARINE, 144)                                                \
    X(MAN_CODE_NAUTIBUS, 147)                                                      \
    X(MAN_CODE_BLUE_WATER_DATA, 148)                                               \
    X(MAN_CODE_WESTERBEKE, 154)                                                    \
    X(MAN_CODE_OFFSHORE_SYSTEMS, 161)                                              \
    X(MAN_CODE_EVINRUDE, 163)                                                      \
    X(MAN_CODE_CPAC_SYSTEMS, 165)                                                  \
    X(MAN_CODE_XANTREX, 168)                                                       \
    X(MAN_CODE_YANMAR, 172)                                                        \
    X(MAN_CODE_VOLVO_PENTA, 174)                                                   \
    X(MAN_CODE_CARLING, 176)                                                       \
    X(MAN_CODE_BEEDE, 185)                                                         \
    X(MAN_CODE_FLOSCAN, 192)                                                       \
    X(MAN_CODE_NOBLETEC, 193)                                                      \
    X(MAN_CODE_MYSTIC_VALLEY, 198)                                                 \
    X(MAN_CODE_ACTIA, 199)                                                         \
    X(MAN_CODE_DIGITAL_SWITCHING_SYSTEMS, 211)                                     \
    X(MAN_CODE_AETNA, 215)                                                         \
    X(MAN_CODE_EMMI_NETWORK, 224)                                                  \
    X(MAN_CODE_ZF, 228)                                                            \
    X(MAN_CODE_GARMIN, 229)                                                        \
    X(MAN_CODE_YACHT_MONITORING_SOLUTIONS, 233)                                    \
    X(MAN_CODE_SAILORMADE, 235)                                                    \
    X(MAN_CODE_ERIDE, 243)                                                         \
    X(MAN_CODE_HONDA, 257)                                                         \
    X(MAN_CODE_GROCO, 272)                                                         \
    X(MAN_CODE_ACTISENSE, 273)                                                     \
    X(MAN_CODE_AMPHENOL, 274)                                                      \
    X(MAN_CODE_NAVICO, 275)                                                        \
    X(MAN_CODE_HAMILTON_JET, 283)                                                  \
    X(MAN_CODE_SEA_RECOVERY, 285)                                                  \
    X(MAN_CODE_COELMO, 286)                                                        \
    X(MAN_CODE_BEP, 295)                                                           \
    X(MAN_CODE_EMPIR_BUS, 304)                                                     \
    X(MAN_CODE_NOVATEL, 305)                                                       \
    X(MAN_CODE_SLEIPNER, 306)                                                      \
    X(MAN_CODE_ICOM, 315)                                                          \
    X(MAN_CODE_QWERTY, 328)                                                        \
    X(MAN_CODE_MASTERVOLT, 355)                                                    \
    X(MAN_CODE_FISCHER_PANDA, 356)                                                 \
    X(MAN_CODE_VICTRON, 358)                                                       \
    X(MAN_CODE_ROLLS_ROYCE, 370)                                                   \
    X(MAN_CODE_NORTHERN_LIGHTS, 374)                                               \
    X(MAN_CODE_GLENDINNING, 378)                                                   \
    X(MAN_CODE_ROSE_POINT, 384)                                                    \
    X(MAN_CODE_FUSION, 419)                                                        \
    X(MAN_CODE_RAYMARINE, 1851)                                                    \
    X(MAN_CODE_VORMEK_POSITIONING_SYSTEMS, SOWVANE_MANUFACTURER_CODE)

// Failure mode identifiers of J1939-73.
#define J1939_FMI_CODES(X)                                                         \
    X(FMI_DATA_ABOVE_NORMAL_MOST_SEVERE, 0)                                        \
    X(FMI_DATA_BELOW_NORMAL_MOST_SEVERE, 1)                                        \
    X(FMI_DATA_ERRATIC, 2)                                                         \
    X(FMI_VOLTAGE_ABOVE_NORMAL, 3)                                                 \
    X(FMI_VOLTAGE_BELOW_NORMAL, 4)                                                 \
    X(FMI_CURRENT_BELOW_NORMAL, 5)                                                 \
    X(FMI_CURRENT_ABOVE_NORMAL, 6)                                                 \
    X(FMI_MECHANICAL_SYSTEM_NOT_RESPONDING, 7)                                     \
    X(FMI_ABNORMAL_FREQUENCY, 8)                                                   \
    X(FMI_ABNORMAL_UPDATE_RATE, 9)                                                 \
    X(FMI_ABNORMAL_RATE_OF_CHANGE, 10)                                             \
    X(FMI_ROOT_CAUSE_NOT_KNOWN, 11)                                                \
    X(FMI_BAD_INTELLIGENT_DEVICE, 12)                                              \
    X(FMI_OUT_OF_CALIBRATION, 13)                                                  \
    X(FMI_SPECIAL_INSTRUCTIONS, 14)                                                \
    X(FMI_DATA_ABOVE_NORMAL_LEAST_SEVERE, 15)                                      \
    X(FMI_DATA_ABOVE_NORMAL_MODERATELY_SEVERE, 16)                                 \
    X(FMI_DATA_BELOW_NORMAL_LEAST_SEVERE, 17)                                      \
    X(FMI_DATA_BELOW_NORMAL_MODERATELY_SEVERE, 18)                                 \
    X(FMI_RECEIVED_NETWORK_DATA_IN_ERROR, 19)                                      \
    X(FMI_CONDITION_EXISTS, 31)

namespace J1939 {

#define J1939_ENUMERATOR(name, value) name = value,
enum industry_group_t : unsigned { J1939_INDUSTRY_GROUPS(J1939_ENUMERATOR) };
enum device_class_t : unsigned { J1939_DEVICE_CLASSES(J1939_ENUMERATOR) };
enum function_code_t : unsigned { J1939_FUNCTION_CODES(J1939_ENUMERATOR) };
enum manufacturer_code_t : unsigned { J1939_MANUFACTURER_CODES(J1939_ENUMERATOR) };
enum fmi_t : unsigned { J1939_FMI_CODES(J1939_ENUMERATOR) };
#undef J1939_ENUMERATOR

} // namespace J1939
