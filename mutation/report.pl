#!/usr/bin/perl
# The report of a mutation run: the counts, then every survivor with its file,
# line and changed line. Survivors listed in the equivalent-mutant file are
# counted apart, and a listed mutant that was killed is named: its line in the
# list is wrong.
#   report.pl RESULTS EQUIVALENTS TOTAL SEED SECONDS TREE
# TREE holds the unmutated sources, for entries that name one of several equal
# lines of a file by its place among them (file#2: the second).
use strict;
use warnings;

my ($resultsFile, $equivalentFile, $total, $seed, $seconds, $tree) = @ARGV;
sub trim { my ($text) = @_; $text =~ s/^\s+|\s+$//g; return $text; }
sub key { return join "\t", $_[0], trim($_[1]), trim($_[2]); }

# file[#n] `original line` -> `mutated line`: why it cannot change what the program does
my %equivalent;
open my $list, '<', $equivalentFile or die "$equivalentFile: $!\n";
while (<$list>) {
    next if /^\s*(#|$)/;
    /^(\S+?(?:#\d+)?) `(.*)` -> `(.*)`: \S/ or die "$equivalentFile:$.: not file[#n] `original` -> `mutated`: reason\n";
    $equivalent{key($1, $2, $3)} = 1;
}
close $list;

# The place of a line among the lines of its file with the same text: 1 for the first.
sub place {
    my ($file, $line, $original) = @_;
    open my $source, '<', "$tree/$file" or return 0;
    my $place = 0;
    while (<$source>) {
        $place++ if trim($_) eq trim($original);
        last if $. == $line;
    }
    close $source;
    return $place;
}

my (%count, @survivors, @listedKilled);
open my $results, '<', $resultsFile or die "$resultsFile: $!\n";
while (<$results>) {
    chomp;
    my ($outcome, $file, $line, $operator, $original, $mutated) = split /\t/, $_, -1;
    my $listed = $equivalent{key($file, $original, $mutated)} ||
        $equivalent{key("$file#" . place($file, $line, $original), $original, $mutated)};
    $outcome = 'equivalent' if $outcome eq 'survived' && $listed;
    push @listedKilled, [$file, $line, $operator, $original, $mutated] if $outcome eq 'killed' && $listed;
    push @survivors, [$file, $line, $operator, $original, $mutated] if $outcome eq 'survived';
    $count{$outcome}++;
}
close $results;

my $run = 0;
$run += $count{$_} // 0 for qw(killed survived equivalent), 'not compiled', 'timed out';
my $judged = ($count{killed} // 0) + ($count{'timed out'} // 0) + ($count{survived} // 0);
printf "\nMutation run: %d of %d mutants%s, %dm%02ds\n", $run, $total,
    $run < $total ? " (a sample, seed $seed)" : '', $seconds / 60, $seconds % 60;
printf "  %-13s %5d\n", $_, $count{$_} // 0 for 'killed', 'survived', 'equivalent', 'not compiled', 'timed out';
printf "  caught: %d of %d that compiled and are not listed as equivalent (%.1f%%; a time-out counts as caught)\n",
    $judged - ($count{survived} // 0), $judged, $judged ? 100 * ($judged - ($count{survived} // 0)) / $judged : 100;

sub show {
    my ($title, @mutants) = @_;
    return unless @mutants;
    print "\n$title\n";
    for (@mutants) {
        my ($file, $line, $operator, $original, $mutated) = @$_;
        print "  $file:$line ($operator)\n    - ", trim($original), "\n    + ", trim($mutated), "\n";
    }
}
show('Survivors:', @survivors);
show("Listed in mutation/equivalent.txt, but killed (take the line out of the list):", @listedKilled);
