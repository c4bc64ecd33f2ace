#!/usr/bin/env python3
"""Writes the tools' inputs whose bytes a text-mode stream would damage
(0x1A, \\r\\n, a lone \\n) beside high Windows-1252 bytes: call_input.bin,
link blocks for `torlib call`, and block_input.bin, one driver block for
`quiterval-ecf block`. call_expected.bin and block_expected.bin hold what
the Linux build answers to them."""
import pathlib


def block(fields, fill=b' '):
    b = bytearray(fill * 332)
    for off, data in fields:
        b[off:off + len(data)] = data
    assert len(b) == 332
    return bytes(b)


def cp(s):
    return s.encode('cp1252')


# characters 312..331, never touched by the library
TAIL = b'\x1a\r\n\xff\x80\n\r\x1a' + b'\xe7\xe3\xc7\xc3' + b'\x1a' * 8

BLOCKS = [
    # upper case without accents: letters beside 0x1A, \r\n and a lone \n
    block([(0, b'05'),
           (56, cp('ação\x1a Pão de Açúcar\r\nÉÈÊË ñÑ ÿ ü\n€ œ Œ š ž ‰ ‹ ©') + b'\xa0\xff\x1a'),
           (312, TAIL)]),
    # amount in words, over a text area of 0x1A and line ends
    block([(0, b'03'), (56, b'\x1a\r\n' * 70), (300, b'00000123456'), (312, TAIL)]),
    # number in words
    block([(0, b'04'), (56, b'\r\n\x1a' * 70), (300, b'99999999999'), (312, TAIL)]),
    # CPF check: the text area of 0x1A and line ends stays as it is
    block([(0, b'02'), (45, b'12345678909'), (56, b'\x1a\n\r' * 70), (311, b'F'), (312, TAIL)]),
    # calendar: a date and ten days after it
    block([(0, b'01'), (2, b'25122012'), (10, b'00000000'), (25, b'000010'), (312, TAIL)]),
    # an unknown code over every byte value: the block comes back as it went
    b'99' + bytes(i % 256 for i in range(330)),
    # 0x1A where the code stands, the rest carriage returns: comes back as it went
    block([(0, b'\x1a\x1a'), (312, TAIL)], fill=b'\r'),
    # a file that is nowhere: "N"
    block([(0, b'06'), (56, b'nenhum-arquivo-assim.txt'), (311, b'?'), (312, TAIL)]),
]

data = b''.join(BLOCKS)
assert len(data) == 332 * len(BLOCKS)
pathlib.Path(__file__).with_name('call_input.bin').write_bytes(data)

# A driver block for `quiterval-ecf block`: a command the driver does not
# know, and the same damaging bytes in its data.
driver_block = bytearray(b' ' * 1025)
driver_block[0:4] = b'NADA'
driver_block[100:140] = b'\x1a\r\n\xe7\xe3' * 8
driver_block[1000:1025] = b'\r\n\x1a' * 8 + b'\xff'
pathlib.Path(__file__).with_name('block_input.bin').write_bytes(bytes(driver_block))
