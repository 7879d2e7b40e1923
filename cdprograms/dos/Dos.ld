/* Links a CD program for MS-DOS mode as one flat image for the tiny model:
   code, data and stack in the one 64 KB segment that begins with the
   program segment prefix, the image at offset 100h. tools/dosstub.cpp puts
   an MZ header in front of it. */
OUTPUT_FORMAT(elf32-i386)
ENTRY(_start)

/* Room left above the data for the stack, which begins at the top of the
   segment (tools/dosstub.cpp sets SP to FFFEh and has DOS give the whole
   segment). What checks it: the ASSERT below, at link time, fails the
   build when the code and data, zeroed data included, reach into this
   room; tools/dosstub.cpp, as it makes the program, refuses only an image
   that leaves less than 4 KB, since it sees no zeroed data. Nothing
   measures how deep the stack grows at run time: real mode has no guard
   page, and a stack that outgrew this room would overwrite the zeroed
   data silently. So the programs keep large buffers and objects static,
   and the stack holds only frames and messages. */
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
