#pragma once
// Hands the engine's main queue to the Qt event loop: every report a
// conversion job queues is posted to the application object and runs on the
// GUI thread, in the order the job made it, without the job waiting.
namespace vq::app {

// Call on the thread that runs the Qt event loop, after the application
// object exists.
void bindMainQueueToQtEventLoop();
// Gives the queue its own FIFO back (before the application object goes).
void unbindMainQueueFromQtEventLoop();

}  // namespace vq::app
