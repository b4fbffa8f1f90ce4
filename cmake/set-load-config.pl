#!/usr/bin/perl
# Points the load-configuration directory (data directory 10) of a linked 64-bit executable at its
# _load_config_used record: the record's address and, as its size, the record's own Size field.
# lld does this by itself; GNU ld 2.40 leaves the directory empty, and without it the loader never
# sees the record. An image whose directory already points at the record is written unchanged; one
# whose directory points elsewhere is refused. The PE checksum is made anew when the image has one.
#
#   set-load-config.pl NM IN OUT
#
# NM (binutils' nm) finds the record among IN's symbols, so this runs before the symbols are
# stripped. The result goes to OUT.
use strict;
use warnings;

my ($nm, $in, $out) = @ARGV;
die "usage: set-load-config.pl NM IN OUT\n" unless defined $out;
sub fail { die "set-load-config: $in: $_[0]\n" }

# The record's virtual address.
open(my $symbols, '-|', $nm, $in) or fail("cannot run $nm: $!");
my $address;
while (my $line = <$symbols>) {
    no warnings 'portable'; # 64-bit addresses
    $address = hex($1) if $line =~ /^([0-9a-fA-F]+) [RrDd] _load_config_used$/;
}
close($symbols) or fail("$nm failed");
defined $address or fail('no _load_config_used among its symbols');

open(my $file, '<:raw', $in) or fail("cannot read it: $!");
my $image = do { local $/; <$file> };
close($file);
sub u16 { unpack('v', substr($image, $_[0], 2)) }
sub u32 { unpack('V', substr($image, $_[0], 4)) }

my $pe = u32(0x3c);
substr($image, $pe, 4) eq "PE\0\0" or fail('not a PE image');
my $sectionCount = u16($pe + 6);
my $optionalHeaderSize = u16($pe + 20);
my $optional = $pe + 24;
u16($optional) == 0x20b or fail('not a 64-bit (PE32+) image');
my $imageBase = unpack('Q<', substr($image, $optional + 24, 8));
u32($optional + 108) > 10 or fail('its header has no load-configuration directory');
my $checksumAt = $optional + 64;
my $directoryAt = $optional + 112 + 10 * 8;

# Where the record lies in the file; all of it must be there.
my $rva = $address - $imageBase;
my ($offset, $end);
for my $i (0 .. $sectionCount - 1) {
    my ($virtualAddress, $rawSize, $rawAt) = unpack('V3', substr($image, $optional + $optionalHeaderSize + 40 * $i + 12, 12));
    if ($rva >= $virtualAddress && $rva + 4 <= $virtualAddress + $rawSize) {
        ($offset, $end) = ($rawAt + $rva - $virtualAddress, $rawAt + $rawSize);
        last;
    }
}
defined $offset or fail(sprintf('_load_config_used (RVA 0x%x) lies in no section data', $rva));
my $size = u32($offset);
# The record reaches at least through DependentLoadFlags (a WORD at offset 78).
$size >= 80 && $offset + $size <= $end or fail("_load_config_used has the impossible size $size");

my ($oldRva, $oldSize) = unpack('V2', substr($image, $directoryAt, 8));
if ($oldRva != 0 || $oldSize != 0) {
    $oldRva == $rva && $oldSize == $size
        or fail(sprintf('its load-configuration directory points at 0x%x (%d bytes), not at _load_config_used', $oldRva, $oldSize));
} else {
    substr($image, $directoryAt, 8) = pack('V2', $rva, $size);
    substr($image, $checksumAt, 4) = pack('V', checksum($image, $checksumAt)) if u32($checksumAt) != 0;
}

open(my $result, '>:raw', $out) or die "set-load-config: cannot write $out: $!\n";
print $result $image or die "set-load-config: cannot write $out: $!\n";
close($result) or die "set-load-config: cannot write $out: $!\n";

# The PE checksum: the image's 16-bit words (the checksum field taken as zero) added with the carry
# folded back in, then the file's length.
sub checksum {
    my ($data, $fieldAt) = @_;
    my @words = unpack('v*', length($data) % 2 ? "$data\0" : $data);
    @words[$fieldAt / 2, $fieldAt / 2 + 1] = (0, 0);
    my $sum = 0;
    for my $word (@words) {
        $sum += $word;
        $sum = ($sum & 0xffff) + ($sum >> 16);
    }
    return ($sum + length($data)) & 0xffffffff;
}
