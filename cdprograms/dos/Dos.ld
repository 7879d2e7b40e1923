/* Links a CD program for MS-DOS mode as one flat image for the tiny model:
   code, data and stack in the one 64 KB segment that begins with the
   program segment prefix, the image at offset 100h. tools/dosstub.cpp puts
   an MZ header in front of it. */
OUTPUT_FORMAT(elf32-i386)
ENTRY(_start)

/* Room left above the data for the stack, which begins at the top of the
   segment. */
DOS_STACK_SIZE = 0x2000;

SECTIONS
{
    /* The program segment prefix: the environment's segment, the command
       tail. */
    DosPsp = 0;

    . = 0x100;
    .text : { *(.start) *(.text .text.*) }
    .rodata : { *(.rodata .rodata.*) }
    .data : {
        *(.data .data.*)
        . = ALIGN(4);
        __init_array_start = .;
        KEEP(*(.init_array .init_array.* .ctors .ctors.*))
        __init_array_end = .;
    }
    .bss (NOLOAD) : {
        . = ALIGN(4);
        __bss_start = .;
        *(.bss .bss.* COMMON)
        . = ALIGN(4);
        __bss_end = .;
    }
    /DISCARD/ : { *(.eh_frame*) *(.comment) *(.note*) *(.fini_array*) *(.dtors*) }

    ASSERT(__bss_end <= 0x10000 - DOS_STACK_SIZE,
           "the program does not fit in one 64 KB segment with its stack")
}
