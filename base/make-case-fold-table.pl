#!/usr/bin/perl
# Writes base/CaseFoldTable.inc: Unicode's simple case folding (CaseFolding.txt,
# statuses C and S) of the BMP, as runs of code points that fold by the same
# offset, every code point or every other one. Perl's Unicode::UCD carries
# the table (Unicode 14 in Debian 12).
#   perl base/make-case-fold-table.pl > base/CaseFoldTable.inc
use strict;
use warnings;
use Unicode::UCD qw(casefold);

my %fold;
for my $c (0 .. 0xFFFF) {
    next if $c >= 0xD800 && $c < 0xE000;
    my $entry = casefold($c) or next;
    next if $entry->{simple} eq '' || $entry->{simple} =~ / /;
    my $to = hex $entry->{simple};
    $fold{$c} = $to - $c if $to != $c;
}
my @points = sort { $a <=> $b } keys %fold;
my @runs;
while (@points) {
    my $first = shift @points;
    my $delta = $fold{$first};
    my ($last, $stride) = ($first, 1);
    for my $try (1, 2) {
        next unless defined $fold{$first + $try} && $fold{$first + $try} == $delta;
        $stride = $try;
        $last += $stride while defined $fold{$last + $stride} && $fold{$last + $stride} == $delta;
        last;
    }
    push @runs, [$first, $last, $stride, $delta];
    delete @fold{ map { $first + $_ * $stride } 0 .. ($last - $first) / $stride };
    @points = sort { $a <=> $b } keys %fold;
}
printf "// Made by base/make-case-fold-table.pl from Unicode %s; do not edit.\n", Unicode::UCD::UnicodeVersion();
print "// {first, last, stride, offset}: first, first + stride, ... last fold to themselves plus offset.\n";
printf "{0x%04X, 0x%04X, %d, %d},\n", @$_ for @runs;
