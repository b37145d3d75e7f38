// Intrusive singly linked list: the link is embedded in the elements.
#pragma once

#include <cstdint>

class sll_node {
public:
    sll_node() = default;
    // A copy is a fresh node: links are never copied.
    sll_node(const sll_node&) {}
    sll_node& operator=(const sll_node&) { return *this; }

    bool in_list() const { return link_ != nullptr; }

private:
    friend class sl_list;
    // null: in no list; END: last of a list; else the next node.
    sll_node* link_ = nullptr;
};

class sl_list {
public:
    sl_list() = default;
    sl_list(const sl_list&) = delete;
    sl_list& operator=(const sl_list&) = delete;

    // Appends at the tail; a node that is in a list already is fatal.
    void push(sll_node* node);
    // Takes the head off; null when empty.
    sll_node* pop();
    // True when the node was in this list and is unlinked now.
    bool remove(sll_node* node);
    // The i-th node from the head, null when out of range.
    sll_node* get(int i) const;
    sll_node* first() const;
    sll_node* next(const sll_node* node) const;
    int count() const { return count_; }
    bool empty() const { return count_ == 0; }

private:
    static sll_node* end() { return reinterpret_cast<sll_node*>(~uintptr_t(0)); }
    static sll_node* real(sll_node* link) { return link == end() ? nullptr : link; }

    int count_ = 0;
    sll_node* head_ = end();
    sll_node* tail_ = end();
};

// Typed access: T derives from sll_node.
template <class T>
class c_sl_list : public sl_list {
public:
    void push(T* e) { sl_list::push(e); }
    T* pop() { return static_cast<T*>(sl_list::pop()); }
    bool remove(T* e) { return sl_list::remove(e); }
    T* get(int i) const { return static_cast<T*>(sl_list::get(i)); }
    T* first() const { return static_cast<T*>(sl_list::first()); }
    T* next(const T* e) const { return static_cast<T*>(sl_list::next(e)); }
};
