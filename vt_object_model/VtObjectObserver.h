// A reference from one attribute of a VT object (its holder) to another object
// by ID. Once resolved against a pool, the observer sits in the target's
// referrer list, so that a change of the target reaches the holder and a
// deleted target leaves the observer unresolved.
#pragma once

#include <cstdint>

class VtObject;

class VtObjectObserver {
public:
    VtObjectObserver() = default;
    virtual ~VtObjectObserver();
    VtObjectObserver(const VtObjectObserver&) = delete;
    VtObjectObserver& operator=(const VtObjectObserver&) = delete;

    // Puts the observer at the head of the holder's observer chain.
    void attachToHolder(VtObject* holder);
    // A different ID drops the resolved target; the same ID keeps it.
    void setOid(uint32_t oid);
    // Stores the ID into the attribute that the observer follows, and follows
    // it (setOid): what a re-targeting ID setter does.
    void retarget(uint32_t& attribute, uint32_t oid)
    {
        attribute = oid;
        setOid(oid);
    }
    // Tells the holder that the object it refers to changed.
    virtual void notify();

    VtObject* getHolder() const { return holder_; }
    VtObject* getTarget() const { return target_; }
    uint32_t getOid() const { return oid_; }
    VtObjectObserver* getNextInHolder() const { return nextInHolder_; }
    VtObjectObserver* getNextReferrer() const { return nextReferrer_; }

private:
    friend class VtObject;
    friend class VtObserverList;

    VtObject* holder_ = nullptr;
    VtObjectObserver* nextInHolder_ = nullptr;
    uint32_t oid_ = 65535;
    VtObject* target_ = nullptr;
    VtObjectObserver* nextReferrer_ = nullptr;
    VtObjectObserver* prevReferrer_ = nullptr;
};

// The observers of other objects that point at one object, in attach order.
class VtObserverList {
public:
    VtObserverList() = default;
    VtObserverList(const VtObserverList&) = delete;
    VtObserverList& operator=(const VtObserverList&) = delete;

    // Appends at the tail; does not set a target (VtObject::attachObserver does).
    void append(VtObjectObserver* observer);
    void remove(VtObjectObserver* observer);
    // Every observer loses its target and links; the list is empty.
    void clear();
    void notifyAll();

    VtObjectObserver* getHead() const { return head_; }
    int count() const;

private:
    VtObjectObserver* head_ = nullptr;
    VtObjectObserver* tail_ = nullptr;
};
