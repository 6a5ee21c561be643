#!/usr/bin/perl
# Lists the mutants of the given source files, one a line:
#   file TAB line TAB operator TAB original line TAB mutated line
# With SAMPLE=n (and SEED) in the environment, a seeded sample of n of them, in
# file and line order. Perl's own random numbers are the same on every machine.
use strict;
use warnings;
no warnings "portable";  # hexadecimal literals above 32 bits

# The line with string and character literals and comments blanked, so that
# operators are looked for in code only; columns stay where they are.
my $inBlockComment = 0;
sub codeOnly {
    my ($line) = @_;
    my $code = '';
    my $i = 0;
    while ($i < length $line) {
        my $rest = substr($line, $i);
        if ($inBlockComment) {
            if ($rest =~ /^(.*?\*\/)/) { $code .= ' ' x length $1; $i += length $1; $inBlockComment = 0; }
            else { $code .= ' ' x length $rest; last; }
        } elsif ($rest =~ /^\/\//) {
            $code .= ' ' x length $rest; last;
        } elsif ($rest =~ /^\/\*/) {
            $code .= '  '; $i += 2; $inBlockComment = 1;
        } elsif ($rest =~ /^("(?:[^"\\]|\\.)*"|'(?:[^'\\]|\\.)*')/) {
            $code .= substr($1, 0, 1) . (' ' x (length($1) - 2)) . substr($1, -1); $i += length $1;
        } else {
            $code .= substr($rest, 0, 1); $i++;
        }
    }
    return $code;
}

# N+1 in the form N was written in: 0xFF gives 0x100, 7u gives 8u.
sub nextLiteral {
    my ($literal) = @_;
    my ($digits, $suffix) = $literal =~ /^(0[xX][0-9A-Fa-f]+|\d+)([uUlL]*)$/ or return undef;
    return sprintf('%d', $digits + 1) . $suffix if $digits !~ /^0[xX]/;
    my $hex = sprintf($digits =~ /[a-f]/ ? '%x' : '%X', hex($digits) + 1);
    return substr($digits, 0, 2) . ('0' x (length($digits) - 2 - length $hex)) . $hex . $suffix;
}

my @mutants;
# One mutant: the code from `at` for `length` characters becomes `to`.
sub addMutant {
    my ($file, $number, $line, $operator, $at, $length, $to) = @_;
    my $mutated = $line;
    substr($mutated, $at, $length) = $to;
    push @mutants, join("\t", $file, $number, $operator, $line, $mutated);
}

my %swap = ('<' => '<=', '<=' => '<', '>' => '>=', '>=' => '>', '==' => '!=', '!=' => '==',
            '&&' => '||', '||' => '&&', 'true' => 'false', 'false' => 'true');
my $keyword = qr/^(?:if|for|while|switch|return|sizeof|static_assert|catch|decltype|alignof|noexcept)$/;
my $arithmetic = qr/(?:[-+*\/%]|<<|>>)=?/;

for my $file (@ARGV) {
    open my $in, '<', $file or die "$file: $!\n";
    my @lines = <$in>;
    close $in;
    $inBlockComment = 0;
    my $statementStart = 1;  # the line before ended a statement or opened a block
    for my $n (1 .. @lines) {
        my $line = $lines[$n - 1];
        $line =~ s/\r?\n\z//;
        my $code = codeOnly($line);
        next if $code =~ /^\s*$/;
        my $startsStatement = $statementStart;
        $statementStart = $code =~ /[;{}:]\s*$/;
        next if $code =~ /^\s*#/;
        # Relational boundaries, negated comparisons, && and ||: binary, so blank on both sides.
        while ($code =~ /(?<= )(<=|>=|<|>|==|!=|&&|\|\|)(?= )/g) {
            my ($at, $operator) = ($-[1], $1);
            my $kind = $operator =~ /[<>]/ ? 'boundary' : $operator =~ /=/ ? 'negation' : 'logic';
            addMutant($file, $n, $line, $kind, $at, length $operator, $swap{$operator});
        }
        while ($code =~ /\b(true|false)\b/g) {
            addMutant($file, $n, $line, 'boolean', $-[1], length $1, $swap{$1});
        }
        # Off by one: "+ 1" becomes "+ 2" and "- 1", "x - 1" becomes "x", and any
        # other literal next to an arithmetic operator grows by one.
        while ($code =~ /( [-+]) 1(?![\w.])/g) {
            my ($at, $sign) = ($-[1], $1);
            if ($sign eq ' +') {
                addMutant($file, $n, $line, 'arithmetic', $at, 4, ' + 2');
                addMutant($file, $n, $line, 'arithmetic', $at, 4, ' - 1');
            } else {
                addMutant($file, $n, $line, 'arithmetic', $at, 4, '');
            }
        }
        while ($code =~ /(?<![\w.])(0[xX][0-9A-Fa-f]+|\d+)[uUlL]*(?![\w.])/g) {
            my ($at, $end) = ($-[0], $+[0]);
            my $literal = substr($code, $at, $end - $at);
            my $before = substr($code, 0, $at);
            my $after = substr($code, $end);
            next unless $before =~ /(?:^|[^-+*\/%<>=!&|])$arithmetic\s*$/ || $after =~ /^\s*$arithmetic(?:[^-+*\/%<>=&|]|$)/;
            next if $literal eq '1' && $before =~ / [-+] $/;  # the cases above
            my $next = nextLiteral($literal) // next;
            addMutant($file, $n, $line, 'arithmetic', $at, $end - $at, $next);
        }
        # A call that is a statement of its own, on one line: deleted.
        if ($startsStatement && $code =~ /^(\s*)((?:[A-Za-z_]\w*(?:::|\.|->))*([A-Za-z_]\w*))\s*\((.*)\);\s*$/
            && $3 !~ $keyword && $2 !~ /^(?:return|throw|delete|co_\w+)\b/) {
            my $depth = 1;
            for my $c (split //, $4) {
                $depth += $c eq '(' ? 1 : $c eq ')' ? -1 : 0;
                last if $depth == 0;
            }
            addMutant($file, $n, $line, 'call', 0, length $line, '') if $depth == 1;
        }
    }
}

my $sample = $ENV{SAMPLE} // 0;
if ($sample > 0 && $sample < @mutants) {
    srand($ENV{SEED} // 1);
    my @order = 0 .. $#mutants;
    for (my $i = $#order; $i > 0; --$i) {
        my $j = int rand($i + 1);
        @order[$i, $j] = @order[$j, $i];
    }
    @mutants = @mutants[sort { $a <=> $b } @order[0 .. $sample - 1]];
}
print "$_\n" for @mutants;
