"""Stretches of sound in a raw recording (signed 16-bit mono, little endian).

sound_spans.py FILE RATE                   prints "start_ms end_ms peak" per stretch
sound_spans.py FILE RATE --quiet-after MS  exit 0 when there is sound and the
                                           recording ends with MS ms of silence
Sound is any 5 ms window whose peak passes 1 % of full scale; stretches less
than 30 ms apart are one.
"""
import array
import sys

path, rate = sys.argv[1], int(sys.argv[2])
samples = array.array("h")
with open(path, "rb") as f:
    data = f.read()
samples.frombytes(data[: len(data) // 2 * 2])
window = rate // 200
spans = []
for i in range(0, len(samples) - window + 1, window):
    peak = max(abs(s) for s in samples[i : i + window]) / 32768
    if peak < 0.01:
        continue
    start, end = i * 1000 // rate, (i + window) * 1000 // rate
    if spans and start - spans[-1][1] < 30:
        spans[-1][1] = end
        spans[-1][2] = max(spans[-1][2], peak)
    else:
        spans.append([start, end, peak])
total = len(samples) * 1000 // rate
if len(sys.argv) > 3 and sys.argv[3] == "--quiet-after":
    sys.exit(0 if spans and total - spans[-1][1] >= int(sys.argv[4]) else 1)
for start, end, peak in spans:
    print(f"{start} {end} {peak:.2f}")
