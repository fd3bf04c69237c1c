#!/usr/bin/env python3
"""Writes the seed corpora: real exchanges in each target's input format."""
import base64
import os

here = os.path.dirname(os.path.abspath(__file__))


def bcc(data):
    x = 0
    for c in data:
        x ^= c
    return x


def reply(marker, cm, pm, status, data=b''):
    body = bytes([marker, cm, pm]) + status + data
    frame = bytes([0xF2, 0, len(body) >> 8, len(body) & 0xFF]) + body + bytes([3])
    return frame + bytes([bcc(frame)])


def request(cm, pm, data=b''):
    frame = bytes([0xF2, 0, 0, 3 + len(data), 0x43, cm, pm]) + data + bytes([3])
    return frame + bytes([bcc(frame)])


def chunk(delay_ms, data):
    return bytes([delay_ms >> 8, delay_ms & 0xFF, len(data)]) + data


def write(target, name, data):
    os.makedirs(os.path.join(here, 'corpus', target), exist_ok=True)
    with open(os.path.join(here, 'corpus', target, name), 'wb') as f:
        f.write(data)


pos = reply(ord('P'), ord('1'), ord('0'), b'000')
for name, data in {
    'positive': chunk(0, b'\x06') + chunk(0, pos),
    'negative': chunk(0, b'\x06') + chunk(0, reply(ord('N'), ord('1'), ord('0'), b'10')),
    'nak': chunk(10, b'\x15'),
    'late_reply': chunk(4000, pos),
    'header_only': chunk(0, b'\x06') + chunk(0, pos[:4]),
    'split': chunk(0, b'\x06') + chunk(100, pos[:3]) + chunk(2000, pos[3:7]) + chunk(5900, pos[7:]),
    'sensor': chunk(0, b'\x06') + chunk(0, reply(ord('P'), ord('1'), ord('1'), b'000', b'010101010101')),
    'silent': b'',
}.items():
    write('execute_command', name, data)

for name, data in {
    'status': request(0x31, 0x30),
    'garbage_then_request': b'\x00\xff\xf2\x00\x00\x99' + request(0x30, 0x30),
    'counter_set': request(0xA5, 0x31, b'123') + b'\x06',
    'move': request(0x32, 0x39) + b'\x06' + request(0x32, 0x33),
    'truncated': request(0x31, 0x31)[:6],
    # Noise whose last frame is completed by the host's EOT.
    'completed_by_eot': base64.b64decode('8gAAJUMw8vIAACUhMTUD8gAAJUMw8vIAAAAAAAAAAAAAAAAAJUNmMDQD'),
}.items():
    write('sim_protocol', name, data)

# reply_handlers: [button][window button][reply body from the marker on].
for i, (button, window, body) in enumerate([
        (0, 0, b'P10000\x03\x00'),
        (5, 1, b'N1010\x03\x00'),
        (3, 2, b'P10012' + b'7105ER2221' + b'\x03\x00'),
        (9, 0, b'P000\x03\x00'),
        (17, 3, b'PQ3000\x90\x00\x03\x00'),
        (23, 4, b'P`0000' + bytes(range(40)) + b'\x03\x00'),
]):
    write('reply_handlers', f'seed{i}', bytes([button, window]) + body)
