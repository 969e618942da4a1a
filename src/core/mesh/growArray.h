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
    GrowArray(GrowArray&& other) noexcept : items(other.items), count(other.count), capacity(other.capacity)
    {
        other.items = nullptr;
        other.count = other.capacity = 0;
    }
    GrowArray& operator=(GrowArray other) noexcept
    {
        T* i = items;
        items = other.items;
        other.items = i;
        size_t n = count;
        count = other.count;
        other.count = n;
        size_t c = capacity;
        capacity = other.capacity;
        other.capacity = c;
        return *this;
    }
    ~GrowArray() { free(items); }

    size_t size() const { return count; }
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
        if (count == capacity)
            reserve(capacity < 16 ? 16 : 2 * capacity);
        items[count++] = value;
    }
    void append(const T* values, size_t n)
    {
        if (count + n > capacity)
            reserve(count + n > 2 * capacity ? count + n : 2 * capacity);
        if (n > 0)
            memcpy(items + count, values, n * sizeof(T));
        count += n;
    }
    void pop_back() { --count; }
    void clear() { count = 0; }
    void reserve(size_t wanted)
    {
        if (wanted <= capacity)
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
        capacity = wanted;
    }

private:
    T* items = nullptr;
    size_t count = 0;
    size_t capacity = 0;
};
