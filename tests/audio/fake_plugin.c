/* A stand-in encoder plug-in for the binding tests. It "encodes" by copying
 * a byte count, answers codes the test asks for, and records whether the
 * stream was ended while a chunk was being encoded. */
#include <stdint.h>
#include <string.h>
#include <time.h>

struct FakeState {
  uint32_t initResult;    /* answered by beInitStream */
  uint32_t samples;       /* samples per chunk */
  uint32_t encodeSleepMs; /* time each beEncodeChunk takes */
  volatile int encoding;  /* a chunk is being encoded */
  int deinitDuringEncode; /* beDeinitStream came while encoding */
  int encodeCalls;
  uint32_t encodedBytes; /* PCM bytes handed to beEncodeChunk */
  int deinitCalls;
  int closeCalls;
  int versionCalls;
};

static struct FakeState state = {0, 1152 * 2, 0, 0, 0, 0, 0, 0, 0, 0};

struct FakeState* fake_state(void) {
  return &state;
}

#ifndef FAKE_WITHOUT_ENCODE
static void sleep_ms(uint32_t ms) {
  struct timespec t = {ms / 1000, (long)(ms % 1000) * 1000000L};
  nanosleep(&t, 0);
}
#endif

uint32_t beInitStream(const void* config, uint32_t* samples, uint32_t* size, uint32_t* stream) {
  (void)config;
  if (state.initResult) return state.initResult;
  *samples = state.samples;
  *size = state.samples * 2 + 16;
  *stream = 7;
  return 0;
}

#ifndef FAKE_WITHOUT_ENCODE
uint32_t beEncodeChunk(uint32_t stream, uint32_t n, const int16_t* pcm, uint8_t* out,
                       uint32_t* outBytes) {
  (void)stream;
  (void)pcm;
  __atomic_store_n(&state.encoding, 1, __ATOMIC_SEQ_CST);
  if (state.encodeSleepMs) sleep_ms(state.encodeSleepMs);
  memset(out, 0xAB, 4);
  *outBytes = 4;
  __atomic_add_fetch(&state.encodeCalls, 1, __ATOMIC_SEQ_CST);
  __atomic_add_fetch(&state.encodedBytes, n * 2, __ATOMIC_SEQ_CST);
  __atomic_store_n(&state.encoding, 0, __ATOMIC_SEQ_CST);
  return 0;
}
#endif

uint32_t beDeinitStream(uint32_t stream, uint8_t* out, uint32_t* outBytes) {
  (void)stream;
  if (__atomic_load_n(&state.encoding, __ATOMIC_SEQ_CST)) state.deinitDuringEncode = 1;
  memset(out, 0xCD, 2);
  *outBytes = 2;
  __atomic_add_fetch(&state.deinitCalls, 1, __ATOMIC_SEQ_CST);
  return 0;
}

uint32_t beCloseStream(uint32_t stream) {
  (void)stream;
  __atomic_add_fetch(&state.closeCalls, 1, __ATOMIC_SEQ_CST);
  return 0;
}

void beVersion(void* version) {
  memset(version, 0, 265);
  __atomic_add_fetch(&state.versionCalls, 1, __ATOMIC_SEQ_CST);
}
