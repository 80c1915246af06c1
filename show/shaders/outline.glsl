// The symbol image with a bright outline where its alpha changes.
#version 120
void main() {
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_Position = gl_Vertex;
}
//____FRAGMENT_SHADER____
#version 120
uniform sampler2D u_source;
uniform vec2 u_pixel;
void main() {
    vec2 uv = gl_TexCoord[0].xy;
    vec4 c = texture2D(u_source, uv);
    float a = texture2D(u_source, uv + vec2(u_pixel.x, 0.0)).a + texture2D(u_source, uv - vec2(u_pixel.x, 0.0)).a
            + texture2D(u_source, uv + vec2(0.0, u_pixel.y)).a + texture2D(u_source, uv - vec2(0.0, u_pixel.y)).a;
    float edge = clamp(abs(a - 4.0 * c.a), 0.0, 1.0);
    gl_FragColor = vec4(c.rgb + vec3(edge), max(c.a, edge));
}
