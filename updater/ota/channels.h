// The dialog's hidden progress and result controls, as the workers see them: two channels
// whose setters return once the dialog's thread has taken the value.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace kivu::ota {

class ProgressChannel {
public:
    virtual ~ProgressChannel() = default;
    virtual void SetPosition(int percent) = 0;  // 0 to 100
    virtual int Position() const = 0;
};

class ResultChannel {
public:
    virtual ~ResultChannel() = default;
    virtual void SetText(const std::u16string& text) = 0;  // "PASS" or "FAIL"; empty to clear
    virtual std::u16string Text() const = 0;
};

// In-memory channels for tests and for hosts without a window; they keep every value set.
class MemoryProgressChannel final : public ProgressChannel {
public:
    void SetPosition(int percent) override {
        std::lock_guard lock(mutex_);
        position_ = percent < 0 ? 0 : percent > 100 ? 100 : percent;
        history_.push_back(position_);
    }
    int Position() const override {
        std::lock_guard lock(mutex_);
        return position_;
    }
    std::vector<int> History() const {
        std::lock_guard lock(mutex_);
        return history_;
    }

private:
    mutable std::mutex mutex_;
    int position_ = 0;
    std::vector<int> history_;
};

class MemoryResultChannel final : public ResultChannel {
public:
    void SetText(const std::u16string& text) override {
        std::lock_guard lock(mutex_);
        text_ = text;
    }
    std::u16string Text() const override {
        std::lock_guard lock(mutex_);
        return text_;
    }

private:
    mutable std::mutex mutex_;
    std::u16string text_;
};

}  // namespace kivu::ota
