#pragma once

namespace BV {

// One process-wide instance of T, made with new on the first getInstance and
// never deleted during a run. Deleting it (tests only) clears the pointer so
// the next getInstance builds a fresh one.
template <typename T> class Singleton {
public:
    static T* getInstance()
    {
        if (!instance) {
            instance = new T();
        }
        return instance;
    }

    virtual ~Singleton() { instance = nullptr; }

protected:
    Singleton() = default;

private:
    Singleton(const Singleton&) = delete;
    Singleton& operator=(const Singleton&) = delete;

    static inline T* instance = nullptr;
};

} // namespace BV
