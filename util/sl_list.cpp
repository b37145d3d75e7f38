#include "util/sl_list.h"

#include "util/Bugger.h"

void sl_list::push(sll_node* node)
{
    if (!node)
        return;
    if (node->link_)
        Bugger::report_bug("sl_list::push, already in a list.\n");
    node->link_ = end();
    if (tail_ == end())
        head_ = node;
    else
        tail_->link_ = node;
    tail_ = node;
    ++count_;
}

sll_node* sl_list::pop()
{
    if (head_ == end())
        return nullptr;
    sll_node* node = head_;
    head_ = node->link_;
    if (head_ == end())
        tail_ = end();
    node->link_ = nullptr;
    --count_;
    return node;
}

bool sl_list::remove(sll_node* node)
{
    if (!node || !node->link_)
        return false;
    sll_node* before = nullptr;
    for (sll_node* n = real(head_); n; before = n, n = real(n->link_)) {
        if (n != node)
            continue;
        if (before)
            before->link_ = n->link_;
        else
            head_ = n->link_;
        if (tail_ == n)
            tail_ = before ? before : end();
        n->link_ = nullptr;
        --count_;
        return true;
    }
    return false;
}

sll_node* sl_list::get(int i) const
{
    if (i < 0 || i >= count_)
        return nullptr;
    sll_node* n = real(head_);
    while (i-- > 0 && n)
        n = real(n->link_);
    return n;
}

sll_node* sl_list::first() const
{
    return real(head_);
}

sll_node* sl_list::next(const sll_node* node) const
{
    if (!node || !node->link_)
        return nullptr;
    return real(node->link_);
}
