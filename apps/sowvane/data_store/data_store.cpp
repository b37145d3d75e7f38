#include "apps/sowvane/data_store/data_store.h"

#include <cstring>

Data_store::Data_store(module_man* mm) : head(mm, reinterpret_cast<unsigned long>(&body)) {}

unsigned char cds_get_byte(CDS::Head* head, const void* field)
{
    unsigned char value;
    head->read(&value, field, 1);
    return value;
}

unsigned int cds_get_word(CDS::Head* head, const void* field)
{
    unsigned int value;
    head->read(&value, field, 4);
    return value;
}

double cds_get_double(CDS::Head* head, const double* field)
{
    return cds_get(head, field);
}

void cds_get_channel(ds_channel* out, CDS::Head* head, const ds_channel* field)
{
    head->read(out, field, int(sizeof(ds_channel)));
}

void cds_get_boom(ds_boom* out, CDS::Head* head, const ds_boom* field)
{
    head->read(out, field, int(sizeof(ds_boom)));
}

void cds_get_firmware_version(char* out, CDS::Head* head, const ds_firmware_version* field)
{
    head->read(out, field->string, int(sizeof(field->string)));
}

void cds_set_bool(CDS::Head* head, bool* field, const bool* value, CDS::Options* options)
{
    head->write(field, value, 1, options);
}

void cds_set_uchar(CDS::Head* head, unsigned char* field, const unsigned char* value,
                   CDS::Options* options)
{
    head->write(field, value, 1, options);
}

void cds_set_int(CDS::Head* head, int* field, const int* value, CDS::Options* options)
{
    head->write(field, value, 4, options);
}

void cds_set_uint(CDS::Head* head, unsigned int* field, const unsigned int* value,
                  CDS::Options* options)
{
    head->write(field, value, 4, options);
}

void cds_set_ulong(CDS::Head* head, ds_ulong* field, const ds_ulong* value, CDS::Options* options)
{
    head->write(field, value, 4, options);
}

void cds_set_float(CDS::Head* head, float* field, const float* value, CDS::Options* options)
{
    head->write(field, value, 4, options);
}

void cds_set_double(CDS::Head* head, double* field, const double* value, CDS::Options* options)
{
    head->write(field, value, 8, options);
}

void cds_set_word(CDS::Head* head, void* field, const void* value, CDS::Options* options)
{
    head->write(field, value, 4, options);
}

void cds_set_array(CDS::Head* head, void* field, const void* value, int size,
                   CDS::Options* options)
{
    head->write(field, value, size, options);
}

int cds_event_register(CDS::Head* head, waiter_descriptor* waiter, const void* field, int size,
                       CDS::Reg_type type, int code)
{
    head->lock();
    int result = head->event_register(waiter, head->offset_of(field), size, type, code, nullptr,
                                      nullptr);
    head->unlock();
    return result;
}

int cds_event_register_byte(CDS::Head* head, waiter_descriptor* waiter, const void* field,
                            CDS::Reg_type type, int code)
{
    return cds_event_register(head, waiter, field, 1, type, code);
}

int cds_event_register_word(CDS::Head* head, waiter_descriptor* waiter, const void* field,
                            CDS::Reg_type type, int code)
{
    return cds_event_register(head, waiter, field, 4, type, code);
}

int cds_event_unregister(CDS::Head* head, waiter_descriptor* waiter, const void* field, int size,
                         CDS::Reg_type type, int code)
{
    head->lock();
    int result = head->event_unregister(waiter, head->offset_of(field), size, type, code, nullptr,
                                        nullptr);
    head->unlock();
    return result;
}
