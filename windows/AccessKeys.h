#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

// Access keys: an ampersand in a caption marks the letter after it; "&&" is a plain ampersand.

// The access key of a caption in upper case, or 0 when it has none.
wchar_t AccessKeyOf(std::wstring_view caption);

// The caption as displayed: ampersands removed, "&&" shown as one.
std::wstring DisplayCaption(std::wstring_view caption);

struct AccessKeyTarget {
  std::size_t index;  // position in the tab-ordered list of captions
  bool click;         // true when the key is unique: the control is pressed, not only focused
};

// What pressing an access key does, as the Windows dialog manager does it: a key that belongs
// to one control presses it; a key shared by several moves the focus to the next of them after
// the focused one, in tab order, without pressing. `captionsInTabOrder` lists the controls'
// captions in tab order; `focused` is the focused control's position, if any.
std::optional<AccessKeyTarget> FindAccessKeyTarget(
    std::span<const std::wstring_view> captionsInTabOrder, std::optional<std::size_t> focused,
    wchar_t key);
