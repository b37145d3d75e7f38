#include "util/c_bstree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <vector>

namespace {

struct Item : avl_bsnode {
    int key = 0;
    explicit Item(int k = 0) : key(k) {}
};

int by_key(const Item* a, const Item* b)
{
    return a->key < b->key ? -1 : (a->key > b->key ? 1 : 0);
}

using Tree = c_bstree<avl_bstree, Item>;

std::vector<int> keys_in_order(const Tree& tree)
{
    std::vector<int> keys;
    for (Item* i = tree.first(); i; i = tree.next(i))
        keys.push_back(i->key);
    return keys;
}

TEST(AvlTree, RandomisedAgainstMultiset)
{
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> key(0, 60);
    std::vector<std::unique_ptr<Item>> items;
    for (int i = 0; i < 300; ++i)
        items.push_back(std::make_unique<Item>(key(rng)));

    Tree tree;
    tree.create(by_key);
    std::multiset<int> model;
    std::uniform_int_distribution<size_t> pick(0, items.size() - 1);

    for (int step = 0; step < 6000; ++step) {
        Item* it = items[pick(rng)].get();
        if (it->in_tree()) {
            ASSERT_EQ(tree.remove(it), 0);
            model.erase(model.find(it->key));
            EXPECT_FALSE(it->in_tree());
        } else {
            ASSERT_EQ(tree.insert(it), 0);
            model.insert(it->key);
        }
        ASSERT_EQ(tree.integrity(), 0) << "step " << step;
        ASSERT_EQ(tree.count(), int(model.size()));

        if (step % 50 == 0) {
            ASSERT_EQ(keys_in_order(tree), std::vector<int>(model.begin(), model.end()));
            int k = key(rng);
            Item probe(k);
            auto lo = model.lower_bound(k);
            auto hi = model.upper_bound(k);
            Item* equal = tree.find(&probe, BSTREE_EQUAL);
            EXPECT_EQ(equal != nullptr, lo != hi);
            if (equal) {
                EXPECT_EQ(equal->key, k);
            }
            Item* after = tree.find(&probe, BSTREE_AFTER);
            if (hi == model.end())
                EXPECT_EQ(after, nullptr);
            else
                EXPECT_EQ(after ? after->key : -1, *hi);
            Item* before = tree.find(&probe, BSTREE_BEFORE);
            if (lo == model.begin())
                EXPECT_EQ(before, nullptr);
            else
                EXPECT_EQ(before ? before->key : -1, *std::prev(lo));
            int index = -5;
            Item* at_or_after = tree.find(&probe, BSTREE_EQUAL_OR_AFTER, &index);
            EXPECT_EQ(at_or_after ? at_or_after->key : -1, lo == model.end() ? -1 : *lo);
            EXPECT_GE(index, 0);
            EXPECT_EQ(tree[index] != nullptr, true);
        }
        for (int i = 0; i < tree.count(); i += 37)
            ASSERT_EQ(tree[i]->key, *std::next(model.begin(), i));
    }
    tree.flush();
    EXPECT_EQ(tree.count(), 0);
    for (auto& i : items)
        EXPECT_FALSE(i->in_tree());
}

TEST(AvlTree, EqualKeysComeOutInAddressOrder)
{
    Item pair[2] = {Item(7), Item(7)};
    Tree tree;
    tree.create(by_key);
    ASSERT_EQ(tree.insert(&pair[1]), 0);
    ASSERT_EQ(tree.insert(&pair[0]), 0);
    EXPECT_EQ(tree[0], &pair[0]);
    EXPECT_EQ(tree[1], &pair[1]);
    EXPECT_EQ(tree.find(&pair[1], BSTREE_EXACT), &pair[1]);
    Item other(7);
    EXPECT_EQ(tree.find(&other, BSTREE_EXACT), nullptr);
    EXPECT_NE(tree.find(&other, BSTREE_EQUAL), nullptr);
    EXPECT_EQ(tree.insert(&pair[0]), -1);
    tree.flush();
}

TEST(AvlTree, RemovingANodeOfAnotherTreeChangesNothing)
{
    Item a(1), b(2), c(3);
    Tree one, two;
    one.create(by_key);
    two.create(by_key);
    one.insert(&a);
    one.insert(&b);
    two.insert(&c);
    EXPECT_EQ(one.remove(&c), -1);
    EXPECT_EQ(two.remove(&a), -1);
    Item loose(5);
    EXPECT_EQ(one.remove(&loose), -1);
    EXPECT_EQ(one.integrity(), 0);
    EXPECT_EQ(two.integrity(), 0);
    EXPECT_EQ(keys_in_order(one), (std::vector<int>{1, 2}));
    EXPECT_EQ(keys_in_order(two), (std::vector<int>{3}));
    one.flush();
    two.flush();
}

TEST(AvlTree, FindAtTheEnds)
{
    Item items[3] = {Item(10), Item(20), Item(30)};
    Tree tree;
    tree.create(by_key);
    for (auto& i : items)
        tree.insert(&i);
    Item small(5), large(35), mid(20);
    EXPECT_EQ(tree.find(&small, BSTREE_BEFORE), nullptr);
    EXPECT_EQ(tree.find(&large, BSTREE_EQUAL_OR_AFTER), nullptr);
    EXPECT_EQ(tree.find(&small, BSTREE_EQUAL_OR_AFTER), &items[0]);
    EXPECT_EQ(tree.find(&large, BSTREE_EQUAL_OR_BEFORE), &items[2]);
    EXPECT_EQ(tree.find(&mid, BSTREE_EQUAL_OR_BEFORE), &items[1]);
    EXPECT_EQ(tree.find(&mid, BSTREE_BEFORE), &items[0]);
    EXPECT_EQ(tree.find(&mid, BSTREE_AFTER), &items[2]);
    EXPECT_EQ(tree.find(&mid, static_cast<bstree_cond_t>(6)), nullptr);
    EXPECT_EQ(tree.nearby(&items[1], BSTREE_BEFORE), &items[0]);
    EXPECT_EQ(tree.nearby(&small, BSTREE_AFTER), nullptr);
    EXPECT_EQ(tree[3], nullptr);
    EXPECT_EQ(tree[-1], nullptr);
    tree.flush();
}

TEST(AvlTree, SearcherDecidesTheDescent)
{
    struct Above : avl_bstree::Searcher {
        int k;
        explicit Above(int key) : k(key) {}
        int compare(const avl_bsnode* n) const override
        {
            return by_key(&probe(), static_cast<const Item*>(n));
        }
        const Item& probe() const
        {
            static thread_local Item i;
            i.key = k;
            return i;
        }
    };
    Item items[3] = {Item(1), Item(2), Item(3)};
    Tree tree;
    tree.create(by_key);
    for (auto& i : items)
        tree.insert(&i);
    Above s(2);
    int index = -1;
    EXPECT_EQ(tree.find(nullptr, BSTREE_EQUAL, &index, &s), &items[1]);
    EXPECT_EQ(index, 1);
    tree.flush();
}

TEST(AvlTree, FlushOfAThousandNodesUnlinksAll)
{
    std::vector<Item> items(1000);
    Tree tree;
    tree.create(by_key);
    for (size_t i = 0; i < items.size(); ++i) {
        items[i].key = int((i * 7919) % 1000);
        tree.insert(&items[i]);
    }
    EXPECT_EQ(tree.integrity(), 0);
    tree.flush();
    for (auto& i : items)
        EXPECT_FALSE(i.in_tree());
}

void insert_into_two_trees()
{
    Item a(1);
    Tree one;
    Tree two;
    one.create(by_key);
    two.create(by_key);
    one.insert(&a);
    two.insert(&a);
}

void use_typed_tree_without_compare()
{
    Tree tree;
    tree.create();
    Item a(1);
    Item b(2);
    tree.insert(&a);
    tree.insert(&b);
}

void get_mutable_of_linked_node()
{
    Tree tree;
    tree.create(by_key);
    Item a(1);
    tree.insert(&a);
    tree.get_mutable(&a);
}

void use_raw_tree_without_compare()
{
    avl_bstree raw;
    raw.create();
    avl_bsnode a;
    avl_bsnode b;
    raw.insert(&a);
    raw.insert(&b);
}

TEST(AvlTreeDeath, MisuseIsFatal)
{
    EXPECT_DEATH(insert_into_two_trees(), "");
    EXPECT_EXIT(use_typed_tree_without_compare(), ::testing::ExitedWithCode(-154 & 0xff),
                "c_bstree::create not called");
    EXPECT_EXIT(get_mutable_of_linked_node(), ::testing::ExitedWithCode(-154 & 0xff),
                "get_mutable");
    EXPECT_DEATH(use_raw_tree_without_compare(), "");
}

} // namespace
