#!/usr/bin/perl
# The report of bench_export written by Spreadsheet::WriteExcel (Debian
# libspreadsheet-writeexcel-perl): the same cells, fonts, fills, borders,
# widths, frozen rows, print titles and page setup. Reads the cells, the
# table's captions and which columns hold numbers from what bench_export
# dumped, prints the milliseconds from the new workbook to its
# close (reading the dump is not counted).
# Usage: perl writeexcel_report.pl CELLS.tsv OUT.xls
use strict;
use warnings;
use Encode qw(decode);
use Spreadsheet::WriteExcel;
use Time::HiRes qw(time);

my ($cells, $out) = @ARGV;
open(my $in, '<:encoding(UTF-8)', $cells) or die "$cells: $!";
chomp(my $titles = <$in>);
my @title = split /\t/, $titles, -1;
chomp(my $captionLine = <$in>);
my @captions = split /\t/, $captionLine, -1;
chomp(my $kindLine = <$in>);
my @kinds = split /\t/, $kindLine, -1;
my @lines;
while (my $line = <$in>) {
    chomp $line;
    push @lines, [split /\t/, $line, -1];
}
close $in;

my $start = time;
my $book = Spreadsheet::WriteExcel->new($out) or die "$out: $!";
my $sheet = $book->add_worksheet('Orders');
my %edge = (border => 1, border_color => 22);
my $table = $book->add_format(%edge);
my $big = $book->add_format(font => 'Arial', size => 32);
my @box = (
    [$book->add_format(bg_color => 9, pattern => 1, left => 1, top => 1),
     $book->add_format(bg_color => 9, pattern => 1, top => 1),
     $book->add_format(bg_color => 9, pattern => 1, top => 1, right => 1)],
    [$book->add_format(bg_color => 17, pattern => 1, left => 1, color => 9, bold => 1),
     $book->add_format(bg_color => 17, pattern => 1),
     $book->add_format(bg_color => 17, pattern => 1, right => 1)],
    [$book->add_format(bg_color => 10, pattern => 1, left => 1, bottom => 1, color => 9, bold => 1),
     $book->add_format(bg_color => 10, pattern => 1, bottom => 1),
     $book->add_format(bg_color => 10, pattern => 1, bottom => 1, right => 1)],
);
$sheet->write_string(0, 1, $title[0]);
$sheet->write_string(1, 1, $title[1], $big);
$sheet->set_row(1, 41.25);
for my $r (0 .. 2) {
    $sheet->write_string(2 + $r, 1, $title[2 + $r], $box[$r][0]);
    $sheet->write_blank(2 + $r, $_, $box[$r][$_ - 1]) for 2 .. 3;
}
$sheet->write_string(6, $_, $captions[$_], $table) for 0 .. $#captions;
my $row = 7;
for my $line (@lines) {
    for my $c (0 .. $#captions) {
        my $v = $line->[$c];
        if ($kinds[$c] eq 'n') { $sheet->write_number($row, $c, $v, $table) }
        elsif ($v eq '') { $sheet->write_blank($row, $c, $table) }
        else { $sheet->write_string($row, $c, $v, $table) }
    }
    $row++;
}
$sheet->set_column($_, $_, 12) for 0 .. $#captions;
$sheet->freeze_panes(7, 0);
$sheet->repeat_rows(6);
$sheet->set_portrait();
$sheet->set_margin_left(30 / 72);
$sheet->set_margin_right(30 / 72);
$sheet->set_margin_top(40 / 72);
$sheet->set_margin_bottom(40 / 72);
$sheet->set_header('', 25 / 72);
$sheet->set_footer('', 25 / 72);
$sheet->hide_gridlines(0);
$book->close() or die "$out: $!";
printf "%.1f\n", 1000 * (time - $start);
