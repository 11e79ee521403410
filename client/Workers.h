// The request workers, one per request type code, and the dictionary readers
// they share (internal to the library). The worker table installs them.
//
// Each worker runs on a thread of its own with its task's run as argument,
// does the request's server work through a WorkerFrame, leaves its outcome
// in the run's result and returns 0. A failed request leaves the neutral
// outcome (0 or null) and no file behind.
#pragma once

class MkDictionary;
class WorkerRun;

// Pad workers.
unsigned long NewIDThread(WorkerRun* run);
unsigned long RegistThread(WorkerRun* run);
unsigned long UploadThread(WorkerRun* run);
unsigned long UpdateThread(WorkerRun* run);
unsigned long MoveThread(WorkerRun* run);
unsigned long DeleteThread(WorkerRun* run);
// List worker.
unsigned long GetListThread(WorkerRun* run);
// File workers: fetched pads and files, and files sent.
unsigned long DownloadThread(WorkerRun* run);
unsigned long PutFileThread(WorkerRun* run);
unsigned long GetFileThread(WorkerRun* run);

// The value under `key` when it is an unsigned 32-bit entry (type 7), else 0;
// 0 for a null dictionary or key.
int GetIDValue(MkDictionary* dictionary, char* key);
// The same for an integer entry (type 5).
int GetIntValue(MkDictionary* dictionary, char* key);
