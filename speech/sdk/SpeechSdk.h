#pragma once

#include <functional>
#include <string>

// The local recognition library: sign in, open a session with a parameter text, write audio in
// blocks while reading end-point and recognition statuses, poll results, end the session.
//
// Every call is safe from any thread; calls on one session are serialised by the library.
// Handles and result texts are owned by the library: a result text stays readable until its
// session ends, and a handle text stays readable for the life of the process, so a late call
// with an ended handle is answered with kErrorInvalidHandle instead of touching freed memory.
//
// Session parameter text: comma-separated "name = value" pairs, blanks around names and values
// ignored, names case-insensitive, unknown names ignored. A missing or unusable value takes its
// default:
//   language         model language, e.g. en_us, zh_cn (letters, digits, '_' and '-')  zh_cn
//   accent           model accent, e.g. mandarin, cantonese                             mandarin
//   rlang            region of the results; accepted, not used by the local models      -
//   sample_rate      16000 or 8000 (8 kHz audio is doubled to 16 kHz)                   16000
//   result_type      json or plain                                                     plain
//   result_encoding  utf8, gb2312 or gbk                                               utf8
//   vad_bos          ms of audio without speech after which the end point is reached   5000
//   vad_eos          ms of silence after speech after which the end point is reached   1800
//   ptt              1 adds a full stop to every sentence, 0 leaves the words alone     1
//   dwa              wpgs asks for progressive results ("pgs" "apd"/"rpl" with "rg")    -
//
// Models: a session for LANGUAGE and ACCENT uses the folder models/LANGUAGE_ACCENT in the
// program home when it exists; language en_us otherwise uses Debian's pocketsphinx-en-us model.
// A model folder holds
//   - the acoustic model: a sub-folder containing "mdef" (the first such, by name);
//   - the language model: FOLDER.lm.bin or FOLDER.lm, where FOLDER is the acoustic model's
//     folder name, else the first *.lm.bin, else the first *.lm (by name);
//   - the pronunciation dictionary: the first *.dict (by name).
// A language with no model fails at session begin with kErrorModelNotFound and one log line
// naming the folder that was looked for.
namespace speechsdk {

// Return and error codes.
enum ErrorCode : int {
    kSuccess = 0,
    kErrorGeneral = 10100,               // the decoder failed while processing audio
    kErrorOutOfMemory = 10101,           // no memory for a session or a result
    kErrorInvalidParameter = 10106,      // a required argument is missing
    kErrorInvalidParameterValue = 10107, // an audio status other than 1, 2 or 4
    kErrorInvalidHandle = 10108,         // unknown or already ended session
    kErrorNotInitialised = 10111,        // session begin without sign-in
    kErrorModelNotFound = 10116,         // no model folder for the session's language
    kErrorModelLoad = 10122,             // a model folder exists but the decoder rejected it
    kErrorInvalidOperation = 10132,      // audio written after the last block
};

// Audio status given with each write.
enum AudioStatus : int { kAudioFirst = 1, kAudioContinue = 2, kAudioLast = 4 };

// End-point status reported by each write. kEndpointAfterSpeech is reached after vad_eos ms of
// silence following speech, or after vad_bos ms of audio with no speech at all; audio written
// after that is accepted and ignored.
enum EndpointStatus : int {
    kEndpointLookingForSpeech = 0,
    kEndpointInSpeech = 1,
    kEndpointAfterSpeech = 3,
};

// Recognition status reported by writes and result fetches. kRecognitionResultReady: a result
// waits to be fetched (from a write), or the returned result is followed by more (from a
// fetch). kRecognitionIncomplete: nothing to fetch yet. kRecognitionComplete: the returned
// result is the last one (or nothing is left).
enum RecognitionStatus : int {
    kRecognitionResultReady = 0,
    kRecognitionIncomplete = 2,
    kRecognitionComplete = 5,
};

// Signs in. User name and password are not used; the parameter text ("appid = ..., work_dir =
// .") is accepted as given. Starts loading the en_us model in the background so that the first
// session opens quickly. Signing in again while signed in is harmless.
int SignIn(const char* user, const char* password, const char* params);

// Signs out: new sessions fail with kErrorNotInitialised until the next sign-in. Open sessions
// run on; loaded models stay loaded.
int SignOut();

// Opens a session. grammarList is not used. Returns the handle text, or null with *errorCode
// set (errorCode may be null).
const char* SessionBegin(const char* grammarList, const char* params, int* errorCode);

// Writes a block of 16-bit little-endian mono samples (length in bytes; a spare odd byte is
// kept for the next block). data may be null when length is 0. Returns kSuccess or an error
// code.
int AudioWrite(const char* session, const void* data, unsigned int length, int audioStatus,
               int* endpointStatus, int* recognitionStatus);

// Takes the next result, or null when none is waiting. waitMs is not used: results are made
// by the writes themselves. With result_type json a result is one line of JSON:
//   {"sn":1,"ls":false,"ws":[{"cw":[{"w":"go"}]},{"cw":[{"w":" forward"}]}]}
// "sn" counts results from 1, "ls" marks the last one, and every "w" is ready to be
// concatenated (words of blank-separated languages carry their leading blank). Progressive
// results add "pgs" ("apd" or "rpl") and "rg" ([first, last] result numbers replaced).
// With result_type plain a result is the concatenated text alone.
const char* GetResult(const char* session, int* recognitionStatus, int waitMs, int* errorCode);

// Ends a session and frees its results; the hint text is not used.
int SessionEnd(const char* session, const char* hints);

// Where the library's log lines go (a missing model, a model that fails to load). Without a
// hook they are written to standard error.
void SetLogHook(std::function<void(const std::string& line)> hook);

} // namespace speechsdk
