#!/usr/bin/perl
# Rewrites the AMR track of a 3GP/3G2 file so that each sample holds up to N frames, as some phones
# store it (the ffmpeg tool writes one frame a sample and refuses more). Only the sample tables
# change: the index sits after the media data, so no offset moves.
# Usage: group_amr_frames.pl IN OUT N
use strict; use warnings;
my ($in, $out, $n) = @ARGV;
open(my $fh, '<:raw', $in) or die; local $/; my $data = <$fh>; close $fh;
my %container = map { $_ => 1 } qw(moov trak mdia minf stbl);
sub parse { my ($buf) = @_; my @boxes; my $p = 0;
  while ($p + 8 <= length $buf) { my ($size, $type) = unpack('Na4', substr($buf, $p, 8));
    my $body = substr($buf, $p + 8, $size - 8);
    push @boxes, [$type, $container{$type} ? parse($body) : $body]; $p += $size; }
  return \@boxes; }
sub write_boxes { my ($boxes) = @_; my $s = '';
  for my $b (@$boxes) { my $body = ref $b->[1] ? write_boxes($b->[1]) : $b->[1];
    $s .= pack('Na4', 8 + length $body, $b->[0]) . $body; } return $s; }
sub find { my ($boxes, $type) = @_; for my $b (@$boxes) { return $b if $b->[0] eq $type; } return undef; }
my $top = parse($data);
my $moov = find($top, 'moov');
for my $trak (grep { $_->[0] eq 'trak' } @{$moov->[1]}) {
  my $mdia = find($trak->[1], 'mdia');
  next unless substr(find($mdia->[1], 'hdlr')->[1], 8, 4) eq 'soun';
  my $stbl = find(find($mdia->[1], 'minf')->[1], 'stbl');
  my ($stsz, $stsc, $stco, $stts) = map { find($stbl->[1], $_) } qw(stsz stsc stco stts);
  my ($fixed, $count) = unpack('x4NN', $stsz->[1]);
  my @sizes = $fixed ? (($fixed) x $count) : unpack("x12N$count", $stsz->[1]);
  my $delta = (unpack('x4NNN', $stts->[1]))[2];
  my $chunks = unpack('x4N', $stco->[1]);
  my @runs = unpack('x4N/(a12)', $stsc->[1]);
  my @per; for my $i (0 .. $#runs) { my ($first, $spc) = unpack('NN', $runs[$i]);
    my $next = $i < $#runs ? unpack('N', $runs[$i + 1]) : $chunks + 1;
    push @per, $spc for $first .. $next - 1; }
  my (@nsizes, @ndur, @ncount); my $k = 0;
  for my $c (@per) { my $groups = 0;
    while ($c > 0) { my $take = $c < $n ? $c : $n; my $sz = 0; $sz += $sizes[$k++] for 1 .. $take;
      push @nsizes, $sz; push @ndur, $take * $delta; $c -= $take; $groups++; }
    push @ncount, $groups; }
  my @sttsruns; for my $d (@ndur) { if (@sttsruns && $sttsruns[-1][1] == $d) { $sttsruns[-1][0]++ } else { push @sttsruns, [1, $d] } }
  $stts->[1] = pack('NN', 0, scalar @sttsruns) . join('', map { pack('NN', @$_) } @sttsruns);
  $stsz->[1] = pack('NNN', 0, 0, scalar @nsizes) . pack('N*', @nsizes);
  $stsc->[1] = pack('NN', 0, scalar @ncount) . join('', map { pack('NNN', $_ + 1, $ncount[$_], 1) } 0 .. $#ncount);
}
open(my $o, '>:raw', $out) or die; print $o write_boxes($top); close $o;
