#pragma once
// Puts a replacement into one field of a hook record (platformHooks,
// shellHooks) for the life of the object, then puts back what was there.

template <typename T> struct HookType { using type = T; };

template <typename Function> class HookSwap {
  public:
    // The replacement may be anything that converts to the hook's type, such
    // as a lambda without captures.
    HookSwap(Function& hook, typename HookType<Function>::type replacement)
        : hook_(hook), saved_(hook) {
        hook_ = replacement;
    }
    ~HookSwap() { hook_ = saved_; }
    HookSwap(const HookSwap&) = delete;
    HookSwap& operator=(const HookSwap&) = delete;

  private:
    Function& hook_;
    Function saved_;
};
