// An index of elements by 16-bit id and by name: two intrusive trees over the
// same elements, each element carrying both tree nodes, its name and its id.
// Ids are handed out by add() from a counter starting at 0. Nothing
// allocates. An element type T derives from Named_list<T>::Searcher.
#pragma once

#include "util/avl_bstree.h"

#include <cstdint>
#include <cstring>

namespace JIN {

template <class T>
class Named_list {
public:
    class Node_name : public avl_bsnode {
    public:
        virtual ~Node_name() = default;
        virtual void name_node_changed() {}
    };
    class Node_id : public avl_bsnode {
    public:
        virtual ~Node_id() = default;
        virtual void id_node_changed() {}
    };

    // The entry part of an element: both nodes, the name and the id.
    class Searcher : public Node_name, public Node_id {
    public:
        // name must outlive the element (usually a string literal).
        explicit Searcher(const char* name = "") : name_(name ? name : "") {}
        const char* get_name() const { return name_; }
        uint16_t get_id() const { return id_; }

    private:
        friend class Named_list;
        const char* name_;
        uint16_t id_ = 0;
    };

    Named_list()
    {
        by_name_.create(&compare_names);
        by_id_.create(&compare_ids);
    }
    Named_list(const Named_list&) = delete;
    Named_list& operator=(const Named_list&) = delete;
    // Forgets the elements without touching them: they may be gone already.
    ~Named_list()
    {
        by_name_.init();
        by_id_.init();
    }

    // Gives the element the next id and indexes it; -1 when it is indexed
    // somewhere already.
    int add(T* element)
    {
        Searcher* s = element;
        if (static_cast<Node_name*>(s)->in_tree() || static_cast<Node_id*>(s)->in_tree()) {
            return -1;
        }
        s->id_ = next_id_++;
        by_id_.insert(static_cast<Node_id*>(s));
        by_name_.insert(static_cast<Node_name*>(s));
        return 0;
    }
    bool remove(T* element)
    {
        Searcher* s = element;
        bool a = by_id_.remove(static_cast<Node_id*>(s)) == 0;
        bool b = by_name_.remove(static_cast<Node_name*>(s)) == 0;
        return a && b;
    }

    T* find(const char* name) const
    {
        if (name == nullptr) {
            return nullptr;
        }
        Name_key key(name);
        avl_bsnode* node = by_name_.find(nullptr, BSTREE_EQUAL, nullptr, &key);
        return node ? from_name_node(node) : nullptr;
    }
    T* find(uint16_t id) const
    {
        Id_key key(id);
        avl_bsnode* node = by_id_.find(nullptr, BSTREE_EQUAL, nullptr, &key);
        return node ? from_id_node(node) : nullptr;
    }
    // The i-th element in id order, null when out of range.
    T* operator[](int i) const
    {
        avl_bsnode* node = by_id_[i];
        return node ? from_id_node(node) : nullptr;
    }
    int count() const { return by_id_.count(); }

private:
    static T* from_name_node(const avl_bsnode* node)
    {
        return static_cast<T*>(static_cast<Searcher*>(
            static_cast<Node_name*>(const_cast<avl_bsnode*>(node))));
    }
    static T* from_id_node(const avl_bsnode* node)
    {
        return static_cast<T*>(static_cast<Searcher*>(
            static_cast<Node_id*>(const_cast<avl_bsnode*>(node))));
    }
    static int compare_names(const avl_bsnode* a, const avl_bsnode* b)
    {
        return std::strcmp(from_name_node(a)->get_name(), from_name_node(b)->get_name());
    }
    static int compare_ids(const avl_bsnode* a, const avl_bsnode* b)
    {
        return int(from_id_node(a)->get_id()) - int(from_id_node(b)->get_id());
    }

    class Name_key : public avl_bstree::Searcher {
    public:
        explicit Name_key(const char* name) : name_(name) {}
        int compare(const avl_bsnode* node) const override
        {
            return std::strcmp(name_, from_name_node(node)->get_name());
        }

    private:
        const char* name_;
    };
    class Id_key : public avl_bstree::Searcher {
    public:
        explicit Id_key(uint16_t id) : id_(id) {}
        int compare(const avl_bsnode* node) const override
        {
            return int(id_) - int(from_id_node(node)->get_id());
        }

    private:
        uint16_t id_;
    };

    avl_bstree by_name_;
    avl_bstree by_id_;
    uint16_t next_id_ = 0;
};

} // namespace JIN
