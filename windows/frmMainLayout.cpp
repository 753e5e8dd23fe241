#include "windows/frmMainLayout.h"

#include <algorithm>

std::array<const ButtonSpec*, kfrmMainButtons.size()> frmMainTabOrder() {
  std::array<const ButtonSpec*, kfrmMainButtons.size()> order{};
  std::transform(kfrmMainButtons.begin(), kfrmMainButtons.end(), order.begin(),
                 [](const ButtonSpec& b) { return &b; });
  std::sort(order.begin(), order.end(),
            [](const ButtonSpec* a, const ButtonSpec* b) { return a->tabIndex < b->tabIndex; });
  return order;
}

const ButtonSpec* FindfrmMainButton(int id) {
  const auto it = std::find_if(kfrmMainButtons.begin(), kfrmMainButtons.end(),
                               [id](const ButtonSpec& b) { return b.id == id; });
  return it == kfrmMainButtons.end() ? nullptr : &*it;
}
