#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>

namespace vimsa {

// Base of every engine object. Objects are born with no references; the first
// Handle that takes one raises the count to 1 and the release that brings it
// back to 0 destroys it (unless `flag` says the storage is owned elsewhere).
// Counts are plain integers: engine objects live on the frame-pump thread.
class RefObject {
public:
    RefObject() = default;
    // A copy is a new object: it starts without references of its own.
    RefObject(const RefObject&) noexcept {}
    RefObject& operator=(const RefObject&) noexcept { return *this; }
    virtual ~RefObject() = default;

    void AddRef() noexcept { ++refcount; }

    // Returns the new count. Destroys the object when the count falls from 1
    // to 0 and the object is owned by its count.
    int32_t Release() noexcept {
        const int32_t left = --refcount;
        if (left == 0 && flag != 0) delete this;
        return left;
    }

    int32_t refcount = 0;
    uint8_t flag = 1;  // 1: destroyed by the count; 0: storage owned elsewhere
};

// Counted pointer to a RefObject-derived object.
template <typename T>
class Handle {
public:
    Handle() noexcept = default;
    Handle(std::nullptr_t) noexcept {}
    Handle(T* object) noexcept : ptr_(object) {
        if (ptr_) ptr_->AddRef();
    }
    Handle(const Handle& other) noexcept : Handle(other.ptr_) {}
    Handle(Handle&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    Handle(const Handle<U>& other) noexcept : Handle(other.Get()) {}
    ~Handle() { Reset(); }

    Handle& operator=(const Handle& other) noexcept { return Assign(other.ptr_); }
    Handle& operator=(T* object) noexcept { return Assign(object); }
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            T* old = std::exchange(ptr_, std::exchange(other.ptr_, nullptr));
            Drop(old);
        }
        return *this;
    }

    // Assigning the object already held changes nothing. Otherwise the new
    // object gains its reference before the old one loses its own, so that
    // releasing the old cannot destroy the new one (the old may own it).
    Handle& Assign(T* object) noexcept {
        if (object == ptr_) return *this;
        if (object) object->AddRef();
        Drop(std::exchange(ptr_, object));
        return *this;
    }

    void Reset() noexcept { Drop(std::exchange(ptr_, nullptr)); }

    T* Get() const noexcept { return ptr_; }
    T* operator->() const noexcept { return ptr_; }
    T& operator*() const noexcept { return *ptr_; }
    explicit operator bool() const noexcept { return ptr_ != nullptr; }

    friend bool operator==(const Handle& a, const Handle& b) noexcept { return a.ptr_ == b.ptr_; }
    friend bool operator==(const Handle& a, const T* b) noexcept { return a.ptr_ == b; }
    friend bool operator==(const Handle& a, std::nullptr_t) noexcept { return a.ptr_ == nullptr; }

private:
    static void Drop(T* object) noexcept {
        // A class that declares its own Release() hides the count's: the
        // handle would call it instead and the object would never be freed.
        static_assert(std::is_same_v<decltype(&T::Release), decltype(&RefObject::Release)>,
                      "a counted class must not declare a Release() of its own");
        if (object) object->Release();
    }

    T* ptr_ = nullptr;
};

// Holds a reference to an object for the duration of an operation that may
// drop the last outside reference to it (for example moving a node to a new
// parent). The final release, which may destroy the object, is the last act.
class KeepAlive {
public:
    explicit KeepAlive(RefObject* object) noexcept : object_(object) {
        if (object_) object_->AddRef();
    }
    ~KeepAlive() {
        if (object_) object_->Release();
    }
    KeepAlive(const KeepAlive&) = delete;
    KeepAlive& operator=(const KeepAlive&) = delete;

private:
    RefObject* object_;
};

// Creates an object and hands it to a handle at once.
template <typename T, typename... Args>
Handle<T> MakeHandle(Args&&... args) {
    return Handle<T>(new T(std::forward<Args>(args)...));
}

}  // namespace vimsa
