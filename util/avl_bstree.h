// Intrusive AVL tree: nodes are embedded in the elements, nothing allocates.
#pragma once

// Search conditions of avl_bstree::find.
enum bstree_cond_t {
    BSTREE_BEFORE = 0,          // the nearest node before the key
    BSTREE_EQUAL_OR_BEFORE = 1, // the key itself, else the nearest before
    BSTREE_EQUAL = 2,           // a node equal to the key
    BSTREE_AFTER = 3,           // the nearest node after the key
    BSTREE_EQUAL_OR_AFTER = 4,  // the key itself, else the nearest after
    BSTREE_EXACT = 5,           // exactly the given node (key order, then identity)
};

class avl_bsnode {
public:
    avl_bsnode() = default;
    // A copy is a fresh node: links are never copied.
    avl_bsnode(const avl_bsnode&) {}
    avl_bsnode& operator=(const avl_bsnode&) { return *this; }

    // A node is in a tree exactly when its parent is set.
    bool in_tree() const { return parent != nullptr; }

private:
    friend class avl_bstree;
    avl_bsnode* parent = nullptr; // the tree's header for the root
    avl_bsnode* less = nullptr;
    avl_bsnode* greater = nullptr;
    int balance = 0; // height(greater) - height(less)
    int rank = 1;    // nodes in the less subtree + 1
};

// The untyped tree's node type as the compare functions see it.
using __bsnode = avl_bsnode;

class avl_bstree {
public:
    using compare_fn = int (*)(const __bsnode*, const __bsnode*);

    // Compares the search key against one node: negative when the key is
    // before the node, 0 when equal, positive when after.
    class Searcher {
    public:
        virtual ~Searcher() = default;
        virtual int compare(const avl_bsnode* node) const = 0;
    };

    avl_bstree();
    virtual ~avl_bstree();
    avl_bstree(const avl_bstree&) = delete;
    avl_bstree& operator=(const avl_bstree&) = delete;

    // Empties the tree; without a compare function default_compare decides.
    int create();
    int create(compare_fn compare);
    // Forgets all nodes without touching them.
    void init();

    virtual int mycompare(const avl_bsnode* a, const avl_bsnode* b) const;
    // mycompare, with node addresses breaking ties: distinct nodes always
    // differ, so equal keys may coexist.
    int mycompare2(const avl_bsnode* a, const avl_bsnode* b) const;

    // 0, or -1 when the node is already in this tree; a node in another
    // tree is a fatal error.
    int insert(avl_bsnode* node);
    // 0, or -1 when the node is not in this tree (nothing changes then).
    int remove(const avl_bsnode* node);

    // Finds by the key (or the searcher, when given) under cond; index, when
    // given, receives the in-order index of the node found (-1 for none).
    // BSTREE_BEFORE and BSTREE_AFTER never return a node equal to the key,
    // even when the tree holds several equal keys.
    avl_bsnode* find(const avl_bsnode* key, bstree_cond_t cond, int* index = nullptr) const;
    avl_bsnode* find(const avl_bsnode* key, bstree_cond_t cond, int* index,
                     Searcher* searcher) const;
    avl_bsnode* nearby(const avl_bsnode* node, bstree_cond_t cond) const;
    avl_bsnode* next(const avl_bsnode* node) const;
    avl_bsnode* previous(const avl_bsnode* node) const;
    // The node at the given in-order index, null when out of range.
    avl_bsnode* operator[](int index) const;
    avl_bsnode* first() const { return first_; }
    avl_bsnode* last() const;
    int count() const { return count_; }
    bool empty() const { return count_ == 0; }
    // Whether node is in this very tree.
    bool contains(const avl_bsnode* node) const;

    // Removes the first node until none is left.
    void flush();

    // Debug checks: heights, balances, links, order and ranks.
    int height(const avl_bsnode* node) const;
    int integrity() const;
    void dump_tree() const;
    void dump_node(const avl_bsnode* node, int depth) const;

protected:
    virtual int default_compare(const avl_bsnode* a, const avl_bsnode* b) const;

private:
    avl_bsnode* root() const { return header_.greater; }
    void replace_child(avl_bsnode* parent, avl_bsnode* old_child, avl_bsnode* new_child);
    avl_bsnode* rotate_less(avl_bsnode* x);    // x's greater child rises
    avl_bsnode* rotate_greater(avl_bsnode* x); // x's less child rises
    avl_bsnode* rebalance(avl_bsnode* x);
    void retrace_insert(avl_bsnode* node);
    void retrace_remove(avl_bsnode* parent, bool from_less);
    int check_subtree(const avl_bsnode* node, const avl_bsnode* parent, int* size) const;
    int index_of(const avl_bsnode* node) const;

    compare_fn compare_ = nullptr;
    mutable avl_bsnode header_;
    int count_ = 0;
    avl_bsnode* first_ = nullptr;
};
