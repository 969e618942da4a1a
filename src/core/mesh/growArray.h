#pragma once
// An array of plain values that grows in place where it can, for the reader's large arrays: it
// grows with realloc, which moves the pages of a large block instead of copying them, so that a
// growing array never holds an old and a new copy at once. Running out of memory is handled as
// operator new handles it: the new handler is called, as the viewer's reports it and ends.

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

template <typename T>
class GrowArray {
    static_assert(std::is_trivially_copyable<T>::value, "the values are moved by realloc");

public:
    GrowArray() = default;
    GrowArray(const GrowArray& other) { append(other.items, other.count); }
    GrowArray(GrowArray&& other) noexcept : items(other.items), count(other.count), capacity_(other.capacity_)
    {
        other.items = nullptr;
        other.count = other.capacity_ = 0;
    }
    GrowArray& operator=(GrowArray other) noexcept
    {
        T* i = items;
        items = other.items;
        other.items = i;
        size_t n = count;
        count = other.count;
        other.count = n;
        size_t c = capacity_;
        capacity_ = other.capacity_;
        other.capacity_ = c;
        return *this;
    }
    ~GrowArray() { free(items); }

    size_t size() const { return count; }
    size_t capacity() const { return capacity_; }
    bool empty() const { return count == 0; }
    T* data() { return items; }
    const T* data() const { return items; }
    T& operator[](size_t i) { return items[i]; }
    const T& operator[](size_t i) const { return items[i]; }
    T& back() { return items[count - 1]; }
    const T& back() const { return items[count - 1]; }
    T* begin() { return items; }
    T* end() { return items + count; }
    const T* begin() const { return items; }
    const T* end() const { return items + count; }

    void push_back(const T& value)
    {
        if (count == capacity_)
            reserve(capacity_ < 16 ? 16 : 2 * capacity_);
        items[count++] = value;
    }
    void append(const T* values, size_t n)
    {
        if (count + n > capacity_)
            reserve(count + n > 2 * capacity_ ? count + n : 2 * capacity_);
        if (n > 0)
            memcpy(items + count, values, n * sizeof(T));
        count += n;
    }
    void pop_back() { --count; }
    // Counts as its own the `n` values written past the end, within the capacity.
    void extend(size_t n) { count += n; }
    void clear() { count = 0; }
    void reserve(size_t wanted)
    {
        if (wanted <= capacity_)
            return;
        void* grown = realloc(items, wanted * sizeof(T));
        while (!grown) {
            std::new_handler handler = std::get_new_handler();
            if (!handler)
                abort();
            handler();
            grown = realloc(items, wanted * sizeof(T));
        }
        items = static_cast<T*>(grown);
        capacity_ = wanted;
    }

private:
    T* items = nullptr;
    size_t count = 0;
    size_t capacity_ = 0;
};
