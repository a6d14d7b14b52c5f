#pragma once
// The Back and Forward steps of one view. A step sent while the engine still
// loads the page of the step before makes it load the whole frameset again,
// and a load on top of that can end its web process. Steps asked for
// meanwhile therefore wait for that load's end and are then taken one at a
// time; a Back and a Forward that wait cancel out. Other loads are not
// waited for: Back leaves a slow page at once.

namespace quiro {

class HistorySteps {
 public:
  /// Back (`direction` -1) or Forward (+1) is asked for; `loading`: whether
  /// the engine loads now. True when the step is to be taken now (then say
  /// Taken()), false when it waits.
  bool Ask(int direction, bool loading);
  /// The step Ask() allowed was sent (`stepped` false at an end of the
  /// history) and the engine now loads (`loading`) or not.
  void Taken(bool stepped, bool loading);
  /// The engine's load ended. Returns the direction of the waiting step to
  /// ask for now, 0 for none.
  int LoadEnded();
  /// Steps still waiting are dropped (Stop, Refresh).
  void DropWaiting() { m_waiting = 0; }
  /// A new page ends the way back or forward.
  void Reset() { *this = HistorySteps(); }

  /// Steps waiting: backward ones negative, forward ones positive.
  int Waiting() const { return m_waiting; }

 private:
  int m_waiting = 0;
  bool m_stepLoading = false;  // the last step taken still loads
};

}  // namespace quiro
