#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace norva {

// A translatable element as the language rules see it: a window, a control,
// a page of a page control or a menu item. Children are the controls
// directly on it (for a page control: its pages, in page order; for a menu
// item: the items below it). The Qt widgets implement this too.
class NlsControl {
 public:
  virtual ~NlsControl() = default;
  virtual std::string_view className() const = 0;
  virtual int tag() const = 0;
  virtual std::string caption() const = 0;  // Windows-1250
  virtual void setCaption(const std::string& caption) = 0;
  virtual std::vector<NlsControl*> children() const = 0;
};

// A plain element, for windows described in the core and for tests.
class NlsNode : public NlsControl {
 public:
  NlsNode(std::string className, int tag, std::string caption)
      : className_(std::move(className)), tag_(tag), caption_(std::move(caption)) {}

  NlsNode& add(std::string className, int tag, std::string caption) {
    children_.push_back(std::make_unique<NlsNode>(std::move(className), tag, std::move(caption)));
    return *children_.back();
  }

  std::string_view className() const override { return className_; }
  int tag() const override { return tag_; }
  std::string caption() const override { return caption_; }
  void setCaption(const std::string& caption) override { caption_ = caption; }
  std::vector<NlsControl*> children() const override {
    std::vector<NlsControl*> out;
    for (const auto& c : children_) out.push_back(c.get());
    return out;
  }
  NlsNode& child(std::size_t i) { return *children_.at(i); }

 private:
  std::string className_;
  int tag_;
  std::string caption_;
  std::vector<std::unique_ptr<NlsNode>> children_;
};

}  // namespace norva
