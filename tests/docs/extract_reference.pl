#!/usr/bin/perl
# Turns the checked parts of the designer's reference into scripts, so that the reference can
# be held to what the libraries do.   Usage: extract_reference.pl REFERENCE.md OUTDIR
#
# In the reference:
#   <!-- example NAME -->   before a ```vb block: a whole script, run as it stands;
#   <!-- output NAME -->    before a ```text block: what that script prints, exactly.
#   <!-- cases -->  or  <!-- cases: STATEMENTS -->   before a table whose first column holds a
#       call in backticks (`e.Store("a", "1")`) and whose other columns, headed Keystack and
#       Pagestack (or one column for both), hold the answer: a VBScript expression in
#       backticks (`"a"`, `0`), "error N" with the description in quotes ("error 6 "Overflow""),
#       or "same" for the column before. Each row runs with new objects of the library,
#       e (Entry) and u (UFL), after the STATEMENTS, in a folder of its own.
# Writes OUTDIR/example-NAME.vbs and OUTDIR/example-NAME.expected for each example, and
# OUTDIR/cases.vbs, which checks every row in both libraries and prints "ok"/"FAIL" lines and
# "ALL DONE" last.
use strict;
use warnings;

my ($reference, $out) = @ARGV;
die "usage: extract_reference.pl REFERENCE.md OUTDIR\n" unless defined $out;
open(my $in, '<', $reference) or die "extract_reference: cannot read $reference: $!\n";
my @lines = <$in>;
close $in;
chomp @lines;
s/\r$// for @lines;

sub write_file {
    my ($path, $text) = @_;
    open(my $f, '>', $path) or die "extract_reference: cannot write $path: $!\n";
    # The script host reads scripts in the ANSI code page: the reference's few accented
    # letters are written as Windows-1252.
    binmode($f, ':encoding(cp1252)');
    print $f $text;
    close $f;
}

sub fenced_block {  # the lines of the fenced block that starts at or after $i
    my ($i, $kind) = @_;
    $i++ while $i < @lines && $lines[$i] !~ /^```/;
    die "extract_reference: no ```$kind block after line " . ($i + 1) . "\n" if $i >= @lines;
    my @block;
    for ($i++; $i < @lines && $lines[$i] !~ /^```/; $i++) { push @block, $lines[$i]; }
    return (\@block, $i);
}

sub cells {  # the cells of a table row
    my ($row) = @_;
    $row =~ s/^\s*\|//;
    $row =~ s/\|\s*$//;
    my @cells;
    my $cell = '';
    my $code = 0;
    for my $c (split //, $row) {  # a "|" inside backticks belongs to the cell
        $code = !$code if $c eq '`';
        if ($c eq '|' && !$code) { push @cells, $cell; $cell = ''; } else { $cell .= $c; }
    }
    push @cells, $cell;
    s/^\s+|\s+$//g for @cells;
    return @cells;
}

sub vb_string { my ($t) = @_; $t =~ s/"/""/g; return "\"$t\""; }

my (%examples, %outputs, @cases);
my $case = 0;
for (my $i = 0; $i < @lines; $i++) {
    if ($lines[$i] =~ /^<!-- example ([\w-]+) -->$/) {
        my ($block, $end) = fenced_block($i + 1, 'vb');
        $examples{$1} = join("\r\n", @$block) . "\r\n";
        $i = $end;
    } elsif ($lines[$i] =~ /^<!-- output ([\w-]+) -->$/) {
        my ($block, $end) = fenced_block($i + 1, 'text');
        $outputs{$1} = join("\n", @$block) . "\n";
        $i = $end;
    } elsif ($lines[$i] =~ /^<!-- cases(?::\s*(.*?))?\s*-->$/) {
        my $setup = $1 // '';
        my $header = $i + 1;
        $header++ while $header < @lines && $lines[$header] !~ /^\|/;
        my @heads = cells($lines[$header]);
        my @libraries;  # for each answer column: the libraries it speaks for
        for my $h (@heads[1 .. $#heads]) {
            push @libraries, $h =~ /Keystack/ ? ['Keystack'] : $h =~ /Pagestack/ ? ['Pagestack'] : ['Keystack', 'Pagestack'];
        }
        for (my $r = $header + 2; $r < @lines && $lines[$r] =~ /^\|/; $r++) {
            my @row = cells($lines[$r]);
            my ($call) = $row[0] =~ /`([^`]+)`/ or die "extract_reference: line " . ($r + 1) . ": no call in backticks\n";
            my $previous;
            for my $k (1 .. $#row) {
                my $answer = $row[$k] eq 'same' ? $previous : $row[$k];
                $previous = $answer;
                my $expected;
                if ($answer =~ /^error (&H[0-9A-F]+|\d+)(?: "(.*)")?/) {
                    $expected = vb_string("error $1" . (defined $2 ? " \"$2\"" : ''));
                    $expected .= ' & ""' ;
                } elsif ($answer =~ /`([^`]+)`/) {
                    $expected = "CStr($1)";
                } else {
                    die "extract_reference: line " . ($r + 1) . ": no answer in column " . ($k + 1) . "\n";
                }
                for my $library (@{$libraries[$k - 1]}) {
                    $case++;
                    push @cases, "Sub Case$case()\n"
                        . "    On Error Resume Next\n"
                        . "    Dim e, u, r, expected\n"
                        . "    Enter \"$library\", $case\n"
                        . "    Set e = CreateObject(\"$library.Entry\")\n"
                        . "    Set u = CreateObject(\"$library.UFL\")\n"
                        . ($setup ne '' ? "    $setup\n" : '')
                        . "    If Err.Number <> 0 Then Fail " . vb_string("$library: setup of line " . ($r + 1)) . ", \"error \" & Err.Number & \" \" & Err.Description, \"no error\" : Exit Sub\n"
                        . "    expected = $expected\n"
                        . "    r = $call\n"
                        . "    Check " . vb_string("$library: $call") . ", r, expected, Err.Number, Err.Description\n"
                        . "End Sub\n";
                }
            }
        }
    }
}

for my $name (sort keys %examples) {
    die "extract_reference: example $name has no output block\n" unless exists $outputs{$name};
    write_file("$out/example-$name.vbs", $examples{$name});
    write_file("$out/example-$name.expected", $outputs{$name});
}
for my $name (sort keys %outputs) {
    die "extract_reference: output $name has no example\n" unless exists $examples{$name};
}

my $script = <<'VB';
' Generated from the reference by extract_reference.pl: every call its tables list, in both
' libraries, against the answer the reference gives. Each case runs in a folder of its own.
On Error Resume Next
Dim fso, shell, base, failures
Set fso = CreateObject("Scripting.FileSystemObject")
Set shell = CreateObject("WScript.Shell")
base = WScript.Arguments(0)
failures = 0

' A new folder for the case, made the current one, so that file names in calls are its own.
Sub Enter(library, number)
    On Error Resume Next
    Dim folder
    folder = base & "\" & library & "-" & number
    If Not fso.FolderExists(folder) Then fso.CreateFolder folder
    shell.CurrentDirectory = folder
    Err.Clear
End Sub

Sub Fail(what, got, expected)
    failures = failures + 1
    WScript.Echo "FAIL " & what & ": got [" & got & "], expected [" & expected & "]"
End Sub

' The answer as the reference writes it: the text, or "error N" and the description.
Sub Check(what, result, expected, number, description)
    On Error Resume Next
    Dim got
    If number <> 0 Then
        If number >= 0 And number < 65536 Then
            got = "error " & number & " """ & description & """"
        Else
            got = "error &H" & Hex(number) & " """ & description & """"
        End If
        If InStr(expected, "error ") = 1 And InStr(expected, """") = 0 Then got = Left(got, InStr(got, " """) - 1)
    Else
        got = CStr(result)
    End If
    If got = expected Then
        WScript.Echo "ok " & what
    Else
        Fail what, got, expected
    End If
End Sub
VB
$script .= join("\n", @cases) . "\n";
$script .= "Case$_\n" for 1 .. $case;
$script .= "WScript.Echo failures & \" failures\"\nWScript.Echo \"ALL DONE\"\n";
(my $windows = $script) =~ s/\n/\r\n/g;
write_file("$out/cases.vbs", $windows);
print "extract_reference: $case cases, " . scalar(keys %examples) . " examples\n";
