#include "app/core/history_steps.h"

namespace quiro {

bool HistorySteps::Ask(int direction, bool loading) {
  if (m_stepLoading && loading) {
    m_waiting += direction;
    return false;
  }
  return true;
}

void HistorySteps::Taken(bool stepped, bool loading) {
  m_stepLoading = stepped && loading;
  // Steps still waiting cannot be taken at an end of the history, and have
  // nothing to wait for when this one loads nothing.
  if (!m_stepLoading) m_waiting = 0;
}

int HistorySteps::LoadEnded() {
  m_stepLoading = false;
  if (m_waiting == 0) return 0;
  const int direction = m_waiting < 0 ? -1 : +1;
  m_waiting -= direction;
  return direction;
}

}  // namespace quiro
