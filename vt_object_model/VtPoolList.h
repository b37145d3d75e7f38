// Intrusive list of VT objects; an object sits in at most one such list (the
// command processor's list of objects received since the last end of pool).
#pragma once

class VtObject;

class VtPoolList {
public:
    VtPoolList() = default;
    ~VtPoolList() { clear(); }
    VtPoolList(const VtPoolList&) = delete;
    VtPoolList& operator=(const VtPoolList&) = delete;

    // Links the object at the tail unless it is already in a list.
    void append(VtObject* object);
    // Unlinks the object when it is in this list.
    void remove(VtObject* object);
    // Empties the list; the objects are not touched otherwise.
    void clear();

    VtObject* getHead() const { return head_; }
    int count() const;

private:
    VtObject* head_ = nullptr;
    VtObject* tail_ = nullptr;
};
