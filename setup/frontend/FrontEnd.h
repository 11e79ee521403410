// What a setup run needs of the front end that shows it.
//
// The run's worker thread calls these four operations and nothing else of the
// front end. A front end that shows them on another thread (a dialog) must
// carry them out there; the run takes no locks. Texts are byte strings in the
// system's code page and are only valid during the call.
#pragma once

namespace setup {

enum class Label {
  kSource,       // the file being read
  kDestination,  // the file being changed
  kStatus,       // what is being done, or how the run ended
};

class FrontEnd {
 public:
  virtual ~FrontEnd() = default;

  // Shows `text` in a label.
  virtual void SetLabel(Label label, const char* text) = 0;
  // Shows the progress of the class step, 0 to 100.
  virtual void SetProgress(int position) = 0;
  // The run is over: makes OK usable and gives it the keyboard focus.
  virtual void EnableOk() = 0;
  // Waits about `milliseconds` so that the texts shown stay readable.
  virtual void Pause(unsigned int milliseconds) = 0;
};

}  // namespace setup
