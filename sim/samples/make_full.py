#!/usr/bin/env python3
"""Writes the two full sample notebooks of kvir-sim: 510-full.txt (every one of the 21 folder
pages of a base of 0xD000 holding 26 records) and 210-full.txt (1000 records on the 44 record
pages of a base of 0xA000). Run from this directory; the output is deterministic."""
import datetime
import random


def stamps(count, rng):
    """`count` ascending measurement times from February to November."""
    start = datetime.datetime(2026, 2, 2, 8, 0, 0)
    step = datetime.timedelta(days=290) / count
    for n in range(count):
        t = start + step * n + datetime.timedelta(minutes=rng.randrange(0, 50))
        yield t.replace(second=t.second // 2 * 2)


def g(value, digits):
    return ('%.' + str(digits) + 'f') % value


def full510():
    rng = random.Random(510)
    lines = ['# Sample notebook: every folder page full (21 pages of 26 records).',
             'model КВИР-510v2', 'base 0xD000', 'folder 1 ОБЩАЯ ПАПКА']
    lines += ['folder %d Точка %02d' % (k, k - 1) for k in range(2, 22)]
    times = list(stamps(21 * 26, rng))
    for n, t in enumerate(times):
        folder = n % 21 + 1
        temp = rng.uniform(16.0, 30.0)
        ph = rng.uniform(3.8, 9.6)
        emf = (7.0 - ph) * 59.16 * (273.15 + temp) / 298.15 + rng.uniform(-4, 4)
        lines.append('record %d %s %d %s %s %s' % (folder, t.strftime('%Y-%m-%d %H:%M:%S'),
                                                   rng.choice([1, 1, 2, 3]), g(temp, 1),
                                                   g(emf, 1), g(ph, 2)))
    return lines


def full210():
    rng = random.Random(210)
    lines = ['# Sample notebook: 1000 records on the 44 record pages of base 0xA000.',
             'model КВИР-210v1', 'base 0xA000', 'folder 1 ОБЩАЯ ПАПКА']
    lines += ['folder %d Пробоотбор %02d' % (k, k - 1) for k in range(2, 26)]
    for t in stamps(1000, rng):
        mode = rng.randrange(0, 4)
        temp = rng.uniform(4.0, 45.0)
        ugl = rng.uniform(2.0, 450.0)
        salt = rng.randrange(50, 8000) if mode >= 2 else 0
        lines.append('record %d %s %d %s %s %s %d' % (rng.randrange(1, 26),
                                                      t.strftime('%Y-%m-%d %H:%M:%S'), mode,
                                                      g(temp, 1), g(ugl, 1), g(ugl / 90.0, 3),
                                                      salt))
    return lines


for name, lines in (('510-full.txt', full510()), ('210-full.txt', full210())):
    with open(name, 'w', encoding='utf-8', newline='\n') as out:
        out.write('\n'.join(lines) + '\n')
