#include "can/JIN_msg_ret.h"

#include "util/Debug_print.h"

JIN_msg_ret::JIN_msg_ret()
    : group(JIN_GROUP_UNCHANGED), trans(JIN_TX_NONE), timeout_changed(false), error(0),
      deadline(Atime::now()), value(0), timeout_ms(0)
{
}

JIN_msg_ret::JIN_msg_ret(JIN_msg_group g, JIN_msg_trans t, bool changed, int ms, int err,
                         int val)
    : group(g), trans(t), timeout_changed(changed), error(static_cast<unsigned char>(-err)),
      deadline(Atime::from_now(ms)), value(val), timeout_ms(ms)
{
}

void JIN_msg_ret::set_timeout(int ms)
{
    timeout_changed = true;
    timeout_ms = ms;
    deadline = Atime::from_now(ms);
}

void JIN_msg_ret::print() const
{
    Debug_print::dprint("R>%d,%d,%d,%d,%d>", group, trans, timeout_changed ? 1 : 0,
                        static_cast<unsigned>(error), deadline.get_ms_from_now());
}

void JIN_msg_ret::bprint(const char* prefix, const char* suffix) const
{
    Debug_print::bprint("%s%d,%d,%d,%d,%d,%d%s", prefix ? prefix : "<", group, trans,
                        timeout_changed ? 1 : 0, static_cast<unsigned>(error),
                        deadline.get_ms_from_now(), value, suffix ? suffix : ">");
}
