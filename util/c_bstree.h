// Typed tree over avl_bstree: T derives from avl_bsnode and has one compare
// function per element type.
#pragma once

#include "util/avl_bstree.h"
#include "util/Debug_print.h"

#include <cstdlib>

template <class TREE, class T>
class c_bstree : public TREE {
public:
    using element_compare_fn = int (*)(const T*, const T*);

    int create(element_compare_fn compare)
    {
        compare_ = compare;
        return TREE::create();
    }

    // Without an element compare function every comparison is fatal.
    int create()
    {
        compare_ = nullptr;
        return TREE::create();
    }

    int insert(T* e) { return TREE::insert(e); }
    int remove(const T* e) { return TREE::remove(e); }
    T* find(const T* key, bstree_cond_t cond, int* index = nullptr) const
    {
        return to_element(TREE::find(key, cond, index));
    }
    T* find(const T* key, bstree_cond_t cond, int* index,
            typename TREE::Searcher* searcher) const
    {
        return to_element(TREE::find(key, cond, index, searcher));
    }
    T* operator[](int index) const { return to_element(TREE::operator[](index)); }
    T* first() const { return to_element(TREE::first()); }
    T* last() const { return to_element(TREE::last()); }
    T* next(const T* e) const { return to_element(TREE::next(e)); }
    T* previous(const T* e) const { return to_element(TREE::previous(e)); }
    T* nearby(const T* e, bstree_cond_t cond) const { return to_element(TREE::nearby(e, cond)); }

    // The element of a node that is in no tree; a linked one is fatal.
    T* get_mutable(const T* e) const
    {
        if (e && e->in_tree()) {
            Debug_print::bprint("c_bstree::get_mutable(): already in T::\n");
            std::exit(-154);
        }
        return const_cast<T*>(e);
    }

    static T* to_element(avl_bsnode* node) { return static_cast<T*>(node); }
    static const T* to_element(const avl_bsnode* node) { return static_cast<const T*>(node); }

protected:
    int default_compare(const avl_bsnode* a, const avl_bsnode* b) const override
    {
        if (!compare_) {
            Debug_print::bprint("c_bstree::create not called\n");
            std::exit(-154);
        }
        return compare_(to_element(a), to_element(b));
    }

private:
    element_compare_fn compare_ = nullptr;
};
