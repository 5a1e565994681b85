// Intrusive smart pointer for bindable objects (CXmlObjectBase and its
// descendants). Holding a non-null pointer keeps one reference; the object
// deletes itself when the last reference goes. Raw pointers obtained from a
// CSmartPtr are borrowed.
#ifndef QBXMLLIB5_CORE_CSMARTPTR_H
#define QBXMLLIB5_CORE_CSMARTPTR_H

#include <cstddef>
#include <utility>

template <class T>
class CSmartPtr {
public:
    CSmartPtr() noexcept : m_ptr(nullptr) {}
    CSmartPtr(std::nullptr_t) noexcept : m_ptr(nullptr) {}
    CSmartPtr(T* ptr) : m_ptr(ptr) { Acquire(); }
    CSmartPtr(const CSmartPtr& other) : m_ptr(other.m_ptr) { Acquire(); }
    CSmartPtr(CSmartPtr&& other) noexcept : m_ptr(other.m_ptr) { other.m_ptr = nullptr; }
    // Converting copy from a smart pointer to a derived class.
    template <class U>
    CSmartPtr(const CSmartPtr<U>& other) : m_ptr(other.GetPtr()) {
        Acquire();
    }
    ~CSmartPtr() { Drop(); }

    CSmartPtr& operator=(const CSmartPtr& other) { return Reset(other.m_ptr); }
    CSmartPtr& operator=(T* ptr) { return Reset(ptr); }
    CSmartPtr& operator=(CSmartPtr&& other) noexcept {
        if (this != &other) {
            T* old = m_ptr;
            m_ptr = other.m_ptr;
            other.m_ptr = nullptr;
            if (old) old->Release();
        }
        return *this;
    }

    T* GetPtr() const noexcept { return m_ptr; }
    T* operator->() const noexcept { return m_ptr; }
    T& operator*() const noexcept { return *m_ptr; }
    operator T*() const noexcept { return m_ptr; }
    bool IsNull() const noexcept { return m_ptr == nullptr; }
    explicit operator bool() const noexcept { return m_ptr != nullptr; }

private:
    void Acquire() {
        if (m_ptr) m_ptr->AddRef();
    }
    void Drop() {
        if (m_ptr) m_ptr->Release();
    }
    CSmartPtr& Reset(T* ptr) {
        // AddRef before Release so that re-pointing at the same object (or
        // at one the old target owns) never frees it early.
        if (ptr) ptr->AddRef();
        T* old = m_ptr;
        m_ptr = ptr;
        if (old) old->Release();
        return *this;
    }

    T* m_ptr;
};

#endif  // QBXMLLIB5_CORE_CSMARTPTR_H
