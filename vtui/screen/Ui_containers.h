// Intrusive ordered trees of the screen manager: priority stacks of screens
// and subscreens. The element carries its own tree node; nothing allocates.
#pragma once

#include "util/Atime.h"
#include "util/Debug_print.h"
#include "util/avl_bstree.h"

#include <cstdlib>

// The stack node inside a screen or subscreen.
class Stackable_ui_element : public avl_bsnode {
public:
    explicit Stackable_ui_element(int priority = 0) : priority(priority) {}
    // Stamps the node with the present time and the next sequence number.
    int push(const Atime& now = Atime::now())
    {
        push_time = now;
        seq_no = get_seq_no();
        return seq_no;
    }
    static int get_seq_no() { return counter++; }
    // Lower priority values first; then the latest push first.
    static int compare(const Stackable_ui_element* a, const Stackable_ui_element* b)
    {
        if (a->priority != b->priority)
            return a->priority < b->priority ? -1 : 1;
        int age = b->push_time - a->push_time;
        if (age != 0)
            return age;
        if (a->seq_no != b->seq_no)
            return a->seq_no > b->seq_no ? -1 : 1;
        return a < b ? -1 : a > b ? 1 : 0;
    }

    int priority;
    Atime push_time;
    int seq_no = 0;

private:
    static int counter;
};

// A multi-tree whose elements T hold their node as the Node sub-object; the
// tree's compare turns nodes back into elements and asks T_compare.
template <class TREE, class NODE, class T, class Node>
class c_multi_bstree : public TREE {
public:
    c_multi_bstree() { TREE::create(); }
    static T* element(const NODE* n) { return n ? static_cast<T*>(static_cast<Node*>(const_cast<NODE*>(n))) : nullptr; }
    static Node* node(T* e) { return static_cast<Node*>(e); }
    // Checks that an element taken out is really unlinked.
    static T* get_mutable(T* e)
    {
        if (e && node(e)->in_tree()) {
            Debug_print::bprint("c_multi_bstree::get_mutable(): already in tree.\n");
            std::exit(-154);
        }
        return e;
    }

protected:
    virtual int element_compare(const T* a, const T* b) const = 0;
    int mycompare(const NODE* a, const NODE* b) const override { return element_compare(element(a), element(b)); }
};

template <class T, class Node>
class multi_AVL_bstree : public c_multi_bstree<avl_bstree, avl_bsnode, T, Node> {};

// Screens or subscreens ordered as a priority stack.
template <class T>
class Ui_element_stack : public multi_AVL_bstree<T, Stackable_ui_element> {
    using Base = multi_AVL_bstree<T, Stackable_ui_element>;

public:
    // Moves the element to its place for a fresh push (out first when in).
    void push(T* e, const Atime& now = Atime::now())
    {
        Base::remove(Base::node(e));
        Base::node(e)->push(now);
        Base::insert(Base::node(e));
    }
    T* pop()
    {
        T* e = peek();
        if (e) {
            Base::remove(Base::node(e));
            Base::get_mutable(e);
        }
        return e;
    }
    T* peek() const { return Base::element(Base::first()); }
    bool remove(T* e) { return e && Base::remove(Base::node(e)) == 0; }
    bool contains(T* e) const { return e && Base::contains(Base::node(e)); }
    T* next(T* e) const { return Base::element(Base::next(Base::node(e))); }
    template <class F>
    void for_each(F f) const
    {
        for (T* e = peek(); e;) {
            T* n = next(e);
            f(e);
            e = n;
        }
    }

protected:
    int element_compare(const T* a, const T* b) const override
    {
        return Stackable_ui_element::compare(Base::node(const_cast<T*>(a)), Base::node(const_cast<T*>(b)));
    }
};
