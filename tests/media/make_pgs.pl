#!/usr/bin/perl
# Writes a PGS subtitle stream (.sup), as Blu-ray and AVCHD discs carry them: the ffmpeg tool has no
# PGS encoder. One 64x32 box shown from 0.5 s to 1.5 s and from 2 s to 3 s, each a display set
# (composition, window, palette, object, end) and a set that clears it.
# Usage: make_pgs.pl OUT
use strict; use warnings;
my ($out) = @ARGV; open(my $o, '>:raw', $out) or die;
sub seg { my ($pts, $type, $payload) = @_; print $o pack('a2NNCn', 'PG', $pts, 0, $type, length $payload) . $payload; }
my ($w, $h) = (64, 32);
my $n = 0;
for my $span ([0.5, 1.5], [2.0, 3.0]) {
  my ($on, $off) = map { int($_ * 90000) } @$span;
  # Composition: video size, frame rate code, number, epoch start, palette 0, one object at 900,1000.
  seg($on, 0x16, pack('nnCnCCCCnCCnn', 1920, 1080, 0x10, $n++, 0x80, 0, 0, 1, 0, 0, 0, 900, 1000));
  seg($on, 0x17, pack('CCnnnn', 1, 0, 900, 1000, $w, $h));
  seg($on, 0x14, pack('CC', 0, 0) . pack('CCCCC', 1, 235, 128, 128, 255));
  # The object's lines: one run of colour 1 over the width (00, 11LLLLLL LLLLLLLL, colour), then 00 00.
  my $rle = '';
  for (1 .. $h) { $rle .= pack('CCCC', 0, 0xC0 | ($w >> 8), $w & 0xff, 1) . pack('CC', 0, 0); }
  my $len = length($rle) + 4;
  seg($on, 0x15, pack('nCC', 0, 0, 0xC0) . pack('CCC', $len >> 16, ($len >> 8) & 0xff, $len & 0xff) .
      pack('nn', $w, $h) . $rle);
  seg($on, 0x80, '');
  seg($off, 0x16, pack('nnCnCCCC', 1920, 1080, 0x10, $n++, 0x00, 0, 0, 0));
  seg($off, 0x17, pack('CCnnnn', 1, 0, 900, 1000, $w, $h));
  seg($off, 0x80, '');
}
close $o;
