#include "glue/cds/Head.h"

#include "glue/cds/Access.h"
#include "glue/cds/Lookup_item.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "glue/diner/waiter_event.h"
#include "util/Debug_print.h"

#include <algorithm>
#include <cstring>

namespace CDS {

Event_recipient::Event_recipient(waiter_descriptor* waiter, Reg_type type, int event_id,
                                 Access_base* access, Virt_access* virt)
    : waiter(waiter), data(0), kind(REG_EVENT_ID)
{
    switch (type) {
    case REG_APP:
        kind = REG_APP;
        data = uintptr_t(unsigned(event_id));
        break;
    case REG_ACCESS:
        kind = REG_ACCESS;
        data = reinterpret_cast<uintptr_t>(access ? access : (virt ? &virt->get_access() : nullptr));
        break;
    case REG_VIRT_ACCESS:
        kind = REG_VIRT_ACCESS;
        data = reinterpret_cast<uintptr_t>(virt);
        break;
    default:
        kind = REG_EVENT_ID;
        data = uintptr_t(unsigned(event_id));
        break;
    }
}

Event_list::Event_list() { create(&Head::compare); }

int Head::compare(const Event_node* a, const Event_node* b)
{
    if (a->offset < b->offset)
        return -1;
    return a->offset > b->offset ? 1 : 0;
}

Head::Head(module_man* mm, unsigned long data_block) : data_block_(data_block)
{
    if (mm) {
        for (short& id : ids_)
            mm->init_module(&id, false);
    }
}

Head::~Head() { free_level(&registry_); }

// Frees every node of a level with its recipients and the levels below it.
void Head::free_level(Event_list* level)
{
    while (Event_node* node = level->first()) {
        level->remove(node);
        while (Event_recipient* r = node->recipients.pop())
            delete r;
        if (node->children) {
            free_level(node->children);
            delete node->children;
        }
        delete node;
    }
}

short Head::get_module_id(Reg_type type) const
{
    switch (type) {
    case REG_ACCESS:
        return ids_[1];
    case REG_VIRT_ACCESS:
        return ids_[2];
    default:
        return ids_[0];
    }
}

namespace {
// A registration the space has no room for is refused loudly: the caller
// would otherwise never hear of the changes it asked for.
int refuse_registration(const char* what, int offset, int size)
{
    Debug_print::dprint("ERROR: %s\n", what);
    Debug_print::dprint("ERROR: cds_event space exhausted (%u bytes free): registration of %d bytes "
                        "at offset %d refused\n",
                        unsigned(event_space_free()), size, offset);
    return -1;
}
} // namespace

int Head::event_register(waiter_descriptor* waiter, int offset, int size, Reg_type type,
                         int event_id, Access_base* access, Virt_access* virt)
{
    Event_recipient* recipient = new Event_recipient(waiter, type, event_id, access, virt);
    if (!recipient)
        return refuse_registration("Could not get memory for CDS des node", offset, size);
    const Event_node key(offset, size);
    Event_list* level = &registry_;
    for (;;) {
        Event_node* found = level->find(&key, BSTREE_EQUAL_OR_BEFORE);
        if (found && found->offset == offset && found->size == size) {
            found->recipients.push(recipient);
            return 0;
        }
        if (!found || !found->encloses(offset, size))
            break;
        if (!found->children) {
            found->children = new Event_list;
            if (!found->children) {
                delete recipient;
                return refuse_registration("Could not get mem CDS child tree", offset, size);
            }
        }
        level = found->children;
    }

    // The new range belongs to this level; the nodes of this level that lie
    // inside it move down into its child list.
    Event_node* node = new Event_node(offset, size);
    if (!node) {
        delete recipient;
        return refuse_registration("Could not get mem CDS node", offset, size);
    }
    Event_node* inner = level->find(&key, BSTREE_EQUAL_OR_AFTER);
    if (inner && node->encloses(inner->offset, inner->size)) {
        node->children = new Event_list;
        if (!node->children) {
            delete node;
            delete recipient;
            return refuse_registration("Could not create tree", offset, size);
        }
        while (inner && node->encloses(inner->offset, inner->size)) {
            Event_node* following = level->next(inner);
            level->remove(inner);
            node->children->insert(inner);
            inner = following;
        }
    }
    node->recipients.push(recipient);
    return level->insert(node);
}

int Head::event_unregister(waiter_descriptor* waiter, int offset, int size, Reg_type type,
                           int event_id, Access_base* access, Virt_access* virt)
{
    // A stack copy only for comparing: never linked, never freed.
    const Event_recipient wanted(waiter, type, event_id, access, virt);
    return remove_recipient(&registry_, Event_node(offset, size), wanted) ? 0 : -1;
}

Event_node* Head::first_enclosing(Event_list* level, const Event_node& range)
{
    // Within one level no registration contains another, so in offset order
    // their ends rise as well: the nodes that enclose (or equal) a range are
    // the run that ends with the last one starting at or before it.
    Event_node* node = level->find(&range, BSTREE_EQUAL_OR_BEFORE);
    if (!node || node->end() < range.end())
        return nullptr;
    for (Event_node* before = level->previous(node); before && before->end() >= range.end();
         before = level->previous(before))
        node = before;
    return node;
}

// The node of exactly this range lies below a chain of enclosing nodes; where
// registrations partly overlap, more than one enclosing node may lead there.
bool Head::remove_recipient(Event_list* level, const Event_node& range, const Event_recipient& wanted)
{
    for (Event_node* node = first_enclosing(level, range); node && node->offset <= range.offset;
         node = level->next(node)) {
        if (node->offset == range.offset && node->size == range.size) {
            for (Event_recipient* r = node->recipients.first(); r; r = node->recipients.next(r)) {
                if (*r == wanted) {
                    node->recipients.remove(r);
                    delete r;
                    return true;
                }
            }
        } else if (node->children && remove_recipient(node->children, range, wanted)) {
            return true;
        }
    }
    return false;
}

int Head::event_signal(const void* field, const void* new_value, int offset, int size,
                       Options* options)
{
    const Wakeup_node write(offset, size, field, new_value, options);
    signal_level(&registry_, write);
    if (lookup_ && field && new_value)
        lookup_->signal_update(field, new_value, unsigned(size));
    return 0;
}

void Head::signal_level(Event_list* level, const Wakeup_node& write)
{
    // Within one level no registration contains another, so in offset order
    // their ends rise as well. The nodes that touch the write form one run:
    // it starts with the first node that ends behind the write's start.
    Event_node* node = level->find(&write, BSTREE_EQUAL_OR_BEFORE);
    if (!node)
        node = level->first();
    while (node) {
        Event_node* before = level->previous(node);
        if (!before || before->end() <= write.offset)
            break;
        node = before;
    }
    for (; node && node->offset < write.end(); node = level->next(node)) {
        if (node->end() <= write.offset)
            continue; // ends before the write
        const bool encloses = node->offset <= write.offset && node->end() >= write.end();
        const bool inside = node->offset >= write.offset && node->end() <= write.end();
        if (inside) {
            wake_subtree(*node, write); // the same range, or one inside it
        } else if (encloses) {
            wake(*node, write);
            if (node->children)
                signal_level(node->children, write);
        } else if (node->children) {
            // Only partly overlapping: not woken, but registrations filed
            // under it may lie inside the write.
            signal_level(node->children, write);
        }
    }
}

void Head::wake_subtree(const Event_node& node, const Wakeup_node& write)
{
    wake(node, write);
    if (!node.children)
        return;
    for (Event_node* child = node.children->first(); child; child = node.children->next(child))
        wake_subtree(*child, write);
}

void Head::wake(const Event_node& node, const Wakeup_node& write)
{
    if (write.field && write.new_value) {
        // Compare only what lies both in the node's range and in the write.
        const int from = std::max(node.offset, write.offset);
        const int to = std::min(node.end(), write.end());
        if (to > from) {
            const auto* old_bytes = static_cast<const unsigned char*>(write.field) + (from - write.offset);
            const auto* new_bytes = static_cast<const unsigned char*>(write.new_value) + (from - write.offset);
            if (std::memcmp(old_bytes, new_bytes, size_t(to - from)) == 0)
                return;
        } else {
            return;
        }
    }
    waiter_descriptor* excluded = write.options ? write.options->get_waiter_to_exclude() : nullptr;
    for (Event_recipient* r = node.recipients.first(); r; r = node.recipients.next(r)) {
        if (!r->waiter || (excluded && r->waiter == excluded))
            continue;
        waiter_event event;
        event.module_id = get_module_id(r->kind);
        event.code = intptr_t(r->data);
        r->waiter->send_event(event, true, false);
    }
}

void Head::write(void* field, const void* value, int size, Options* options)
{
    Mutex::Protection guard(&mutex_);
    event_signal(field, value, offset_of(field), size, options);
    std::memmove(field, value, size_t(size));
}

void Head::read(void* out, const void* field, int size)
{
    Mutex::Protection guard(&mutex_);
    std::memcpy(out, field, size_t(size));
}

} // namespace CDS
